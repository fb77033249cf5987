# The two commands a new machine needs: `make run` and `make test`.
BUILD := build
EXAMPLE ?= orbita
JOBS ?= $(shell nproc)

.PHONY: all deps build run test bench clean sanitize fuzz soak fuzz-coverage package

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

# The program reads config.txt from the folder it starts in.
run: build
	cd examples/$(EXAMPLE) && ../../$(BUILD)/particules

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The Debian package, build/particules_<version>_<arch>.deb, and what lintian
# makes of it; an error fails the target.
package: build
	rm -f $(BUILD)/particules_*.deb
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error --display-info $(BUILD)/particules_*.deb

# Remakes docs/screenshot.png from the default example under Xvfb.
screenshot: build
	scripts/screenshot.sh $(EXAMPLE)

# The step's benchmark; BENCH_ARGS passes options, e.g. --benchmark_filter=1024.
bench: build
	$(BUILD)/bench/particules_bench $(BENCH_ARGS)

# The whole suite again under ASan and UBSan, in a build of its own. A report
# exits with 86, a status no test expects, so none can pass over one.
SANITIZE_BUILD := build-sanitize
SANITIZE_ENV := ASAN_OPTIONS=exitcode=86:detect_leaks=1:strict_string_checks=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=86 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0

sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARTICULES_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)

# Fuzzes the configuration reader for FUZZ_SECONDS, starting from the seeds in
# tests/fuzz/corpus; what it learns stays in build-fuzz/corpus for the next run.
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 600

fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DPARTICULES_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target llegir_config_fuzz
	mkdir -p $(FUZZ_BUILD)/corpus
	cd $(FUZZ_BUILD) && ./llegir_config_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		-dict=$(CURDIR)/tests/fuzz/config.dict corpus $(CURDIR)/tests/fuzz/corpus

# The monkey test at the controls for SOAK_SECONDS; make test runs it for 30.
SOAK_SECONDS ?= 600

soak: build
	SOAK_SECONDS=$(SOAK_SECONDS) $(BUILD)/tests/e2e_tests --gtest_filter='Soak.*'

# Line coverage of the config reader by the fuzz corpus (the seeds and what
# make fuzz has found), with clang's source-based coverage.
FUZZ_COV_BUILD := build-fuzz-cov

fuzz-coverage: deps
	cmake -S . -B $(FUZZ_COV_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DPARTICULES_FUZZ=ON -DBUILD_TESTING=OFF \
		-DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping"
	cmake --build $(FUZZ_COV_BUILD) -j $(JOBS) --target llegir_config_fuzz
	mkdir -p $(FUZZ_BUILD)/corpus
	cd $(FUZZ_COV_BUILD) && LLVM_PROFILE_FILE=fuzz.profraw ./llegir_config_fuzz -runs=0 \
		$(CURDIR)/$(FUZZ_BUILD)/corpus $(CURDIR)/tests/fuzz/corpus
	llvm-profdata merge -sparse $(FUZZ_COV_BUILD)/fuzz.profraw -o $(FUZZ_COV_BUILD)/fuzz.profdata
	llvm-cov report $(FUZZ_COV_BUILD)/llegir_config_fuzz -instr-profile=$(FUZZ_COV_BUILD)/fuzz.profdata \
		$(CURDIR)/src/app/arrencada.cpp

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(FUZZ_COV_BUILD)
