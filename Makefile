# The two commands a new machine needs: `make run` and `make test`. Each phase
# prints one line; the whole output of each is kept in build/logs/.
BUILD := build
LOGS := $(BUILD)/logs
EXAMPLE ?= orbita
JOBS ?= $(shell nproc)
# Tests at a time: twice the cores, since many wait on X, on a child or on a
# file more than they compute.
TEST_JOBS ?= $(shell echo $$(( 2 * $$(nproc) )))
FASE := scripts/fase.sh
EXAMPLES := $(sort $(patsubst examples/%/config.txt,%,$(wildcard examples/*/config.txt)))

# Two makes in one clone take turns at its build folders (build/, the web's,
# the sanitizers', the fuzzer's) and at the pictures in docs/ instead of
# writing into each other's half-made files; a make's own sub-makes go
# straight on. The lock lives in build/ and is held by make alone.
TORN := scripts/torn.sh $(BUILD)

.PHONY: all help deps build programa run test proves web pagina paquet web-deps web-serve web-test web-bench web-screenshot previews ten-minutes bench fmacheck clean sanitize tsan fuzz soak fuzz-coverage package screenshot signal-latency gpu-check gpu-bundle gpu-check-build

all: build ## the same as make build

# Every target with its line: the text after `##` on the target's own line.
help: ## this list
	@awk -F':.*## ' '/^[a-z][a-z0-9-]*:.*## / { printf "  make %-15s %s\n", $$1, $$2 }' $(MAKEFILE_LIST)

# Everything the tests, the benchmark and the package need, and sdl12-compat
# beside the build for the real-window suite's second run.
deps: ## install the packages of the tests, the benchmark and the package
	@scripts/install-deps.sh test $(LOGS)/apt.log
	@$(TORN) scripts/sdl12-compat.sh $(BUILD)/sdl12-compat $(LOGS)/sdl12-compat.log

# Everything: the program, particules-config, the tests and the benchmark.
build: deps ## build everything: the program, particules-config, the tests, the benchmark
	@$(TORN) $(FASE) configure $(LOGS)/configure.log \
		cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DPARTICULES_BENCH=ON
	@$(TORN) $(FASE) build $(LOGS)/build.log cmake --build $(BUILD) -j $(JOBS)

# Only what the program needs: its packages, and the one target. A build tree
# left by `make test` is built as it is; a new one leaves out the tests and the
# benchmark, whose packages `make run` does not install. The program reads
# config.txt from the folder it starts in. Its echo of config.txt goes to the
# log; with no X display SDL draws on standard output instead, which then
# stays on the terminal, the echo scrolling by before the drawing.
# EXAMPLE must name exactly one example.
run: ## build the program alone and run an example (EXAMPLE=orbita)
	@$(if $(and $(filter 1,$(words $(EXAMPLE))),$(filter $(EXAMPLE),$(EXAMPLES))),:,echo \
		"make run: there is no example \"$(EXAMPLE)\"; the examples are: $(EXAMPLES)" >&2; exit 2)
	@$(TORN) $(MAKE) --no-print-directory programa
	@[ ! -f examples/$(EXAMPLE)/tecles.txt ] || cat examples/$(EXAMPLE)/tecles.txt
	@echo "Keys: arrows pan, wheel zooms, t trails, 1-7 time factor, s stops all, r repulsion, Return limiter, q quits."
	@[ -n "$${DISPLAY:-}" ] || if scripts/sdl-compat.sh $(BUILD)/particules; then \
		echo "No X display (DISPLAY is unset): this SDL 1.2 is sdl12-compat, which opens no window and draws nothing here; Ctrl-C ends the run."; \
	else echo "No X display (DISPLAY is unset): SDL draws in this terminal instead; q quits."; fi
	@cd examples/$(EXAMPLE) && \
		if [ -n "$${DISPLAY:-}" ]; then exec ../../$(BUILD)/particules >../../$(LOGS)/run.log; \
		else exec ../../$(BUILD)/particules; fi

# The program alone, with only the packages it needs.
programa:
	@scripts/install-deps.sh run $(LOGS)/apt-run.log
	@[ -f $(BUILD)/Makefile ] || $(FASE) configure $(LOGS)/configure.log \
		cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DPARTICULES_BENCH=OFF
	@$(FASE) build $(LOGS)/build-particules.log cmake --build $(BUILD) -j $(JOBS) --target particules

# Each test report goes to its log, whole: the native tests, TEST_JOBS at a time,
# then the same physics and the page in the browser build. A failure shows
# the failing tests and their own output, and the next phase runs all the
# same; the end says in one line a phase how it went. Each phase once, the
# whole under this clone's turn.
test: ## install, build and run every test: native, then the browser build
	@$(TORN) $(MAKE) --no-print-directory proves

proves: build web
	@$(WEB_TEST_BUILD)
	@scripts/proves.sh $(LOGS) test:$(BUILD):$(TEST_JOBS) $(WEB_TEST)

# The program in a web page, in build-web/: a folder any web server can serve.
# Built with Debian's emscripten, whose emcc finds its node modules in
# /usr/share/nodejs: once on one thread, for any host, and once with the
# step's threads, which the page takes where its host isolates it. The
# threaded build also holds the physics tests.
WEB := build-web
WEB_BUILD := build-wasm
WEB_FILS_BUILD := build-wasm-fils
WEB_PORT ?= 8000
EMCMAKE := env NODE_PATH=/usr/share/nodejs emcmake cmake
EMBUILD := env NODE_PATH=/usr/share/nodejs cmake --build

web-deps: ## the packages and npm modules of the page and its tests
	@scripts/install-deps.sh web $(LOGS)/apt-web.log
	@[ -d tests/web/node_modules/playwright-core ] || $(FASE) npm $(LOGS)/npm.log \
		npm ci --prefix tests/web --no-audit --no-fund

web: web-deps ## build the page into build-web/ with emscripten (one thread and threaded)
	@$(TORN) $(MAKE) --no-print-directory pagina

pagina:
	@$(FASE) web-conf $(LOGS)/web-configure.log \
		$(EMCMAKE) -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	@$(FASE) web-build $(LOGS)/web-build.log $(EMBUILD) $(WEB_BUILD) -j $(JOBS) --target particules particules-config
	@$(FASE) web-conf $(LOGS)/web-fils-configure.log $(EMCMAKE) -S . -B $(WEB_FILS_BUILD) \
		-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DPARTICULES_WEB_FILS=ON
	@$(FASE) web-build $(LOGS)/web-fils-build.log $(EMBUILD) $(WEB_FILS_BUILD) -j $(JOBS) --target particules
	@scripts/web.sh $(WEB_BUILD) $(WEB_FILS_BUILD) $(WEB)

# Serves build-web/ on 127.0.0.1 with the headers that isolate it (WEB_PORT).
web-serve: web ## build the page and serve it on 127.0.0.1 (WEB_PORT=8000)
	@node web/servidor.mjs $(WEB) $(WEB_PORT)

# The physics tests under node, with threads, and the page in chromium,
# whose canvas is checked against the native program's window; config.txt's
# reader under node, against the native build's on the same files.
# One test at a time: chromium and node each take every core.
WEB_TEST_BUILD := $(FASE) web-build $(LOGS)/web-test-build.log $(EMBUILD) $(WEB_FILS_BUILD) -j $(JOBS) \
	--target physics_tests lectura_tests llegir_config
WEB_TEST := web-test:$(WEB_FILS_BUILD):1

web-test: build web ## the physics tests and the reader under node, the page in chromium
	@$(TORN) $(WEB_TEST_BUILD)
	@$(TORN) scripts/proves.sh $(LOGS) $(WEB_TEST)

# The step's cost per pair in WebAssembly under node next to the native
# build's, from one source in one run, with the processor it ran on; the
# wasm rows with threads are those of an isolated page. WEB_BENCH_BODIES.
WEB_BENCH_BODIES ?= 1024

web-bench: build web ## the step per pair in WebAssembly under node next to the native build
	@$(TORN) $(FASE) web-build $(LOGS)/web-bench-build.log $(EMBUILD) $(WEB_FILS_BUILD) --target velocitat_pas
	@grep -m1 'model name' /proc/cpuinfo
	@$(BUILD)/bench/velocitat_pas $(WEB_BENCH_BODIES)
	@node --no-experimental-fetch $(WEB_FILS_BUILD)/bench/velocitat_pas.js $(WEB_BENCH_BODIES)

# The Debian package, build/particules_<version>_<arch>.deb, and what lintian
# makes of it; an error fails the target.
package: build ## the Debian package build/particules_<version>_<arch>.deb, checked by lintian
	@$(TORN) $(MAKE) --no-print-directory paquet

paquet:
	rm -f $(BUILD)/particules_*.deb
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error --display-info $(BUILD)/particules_*.deb

# Remakes docs/screenshot.png from the default example under Xvfb.
screenshot: build ## remake docs/screenshot.png from an example under Xvfb
	$(TORN) scripts/screenshot.sh $(EXAMPLE)

# Remakes docs/pagina-cumul.png: the page running cumul in headless chromium.
web-screenshot: build web ## remake docs/pagina-cumul.png: the page in headless chromium
	$(TORN) node tests/web/pagina_test.mjs web/servidor.mjs $(WEB) $(BUILD)/particules docs/pagina-cumul.png

# Remakes each example's preview in docs/EXAMPLES.md and its picture in docs/.
previews: build ## remake the examples' previews in docs/EXAMPLES.md
	$(TORN) scripts/previews.sh $(BUILD)/particules-config

# The judge against runs ten times as long: gen orbits' claims and preview's
# minute at each key of a table of systems, beside ten minutes at that key.
ten-minutes: build ## gen orbits' claims and preview's minute against ten minutes at each key
	$(TORN) scripts/deu-minuts.sh $(BUILD)/particules-config

# The step's benchmark; BENCH_ARGS passes options, e.g. --benchmark_filter=1024.
bench: build ## the step's benchmark (BENCH_ARGS=--benchmark_filter=...)
	$(TORN) $(BUILD)/bench/particules_bench $(BENCH_ARGS)

# The square roots and quotients the FMA units form, each proved to be the
# divider's bits, against the divider: the AVX-512 step's, in each of its mixes,
# on FMACHECK_PAIRS lanes and the AVX2+FMA experiment's (bench/) on as many
# pairs, several minutes; then the share of the AVX-512 step's lanes sent to the
# divider in each mix on every example, a generated disc and a square lattice.
# make test runs a few million of each.
FMACHECK_PAIRS ?= 1000000000

fmacheck: build ## the FMA step's proved quotients and roots against the divider, at length
	$(BUILD)/bench/fmacheck $(FMACHECK_PAIRS) $(foreach e,$(EXAMPLES),examples/$(e)/config.txt)

# The whole suite again under ASan and UBSan, in a build of its own. A report
# exits with 86, a status no test expects, so none can pass over one.
SANITIZE_BUILD := build-sanitize
SANITIZE_ENV := ASAN_OPTIONS=exitcode=86:detect_leaks=1:strict_string_checks=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=86 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0

sanitize: deps ## every test under ASan and UBSan (build-sanitize/), then make tsan
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARTICULES_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory tsan

# The step's threads under ThreadSanitizer, in a build of its own (it cannot
# share one with ASan): the team, the threaded step against the literal one,
# and a stop raised from another thread while a step runs.
TSAN_BUILD := build-tsan

tsan: deps ## the step's threads under ThreadSanitizer (build-tsan/)
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARTICULES_TSAN=ON -DPARTICULES_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target physics_tests
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1:exitcode=86 \
		ctest --output-on-failure -j $(JOBS) -R '^(TeamOfThreads|IgualQueLiteral|Interrupcio|StepParameters)\.'

# How long SIGTERM and SIGINT take to end a run of SIGNAL_BODIES bodies in the
# middle of its step, three times each: a measure, printed with the processor.
SIGNAL_BODIES ?= 100000

signal-latency: build ## how long SIGTERM and SIGINT take to end a run mid-step
	python3 scripts/latencia-senyal.py $(BUILD)/particules $(SIGNAL_BODIES)

# The OpenCL step on every device of this machine, PoCL's included: the
# bit-identity and determinism suites on each device alone, speed and the
# benchmark at GPU_CHECK_BODIES beside the CPU step on all cores. The report is
# build/gpu-check/report.txt; a device whose bits differ fails the target.
GPU_CHECK_BODIES ?= 16384 65536
GPU_CHECK := physics_tests particules-config particules_bench dispositius_opencl

gpu-check: gpu-check-build ## the OpenCL step on every device: its bits, speed and the benchmark (GPU_CHECK_BODIES)
	@GPU_CHECK_BODIES="$(GPU_CHECK_BODIES)" scripts/gpu-check.sh $(BUILD) $(BUILD)/gpu-check

# The same check in one folder, build/gpu-check-bundle, for a GPU machine with
# no compiler and no packages: the binaries, the packages of the libraries
# they load, and run.sh, which runs it from there (docs/DEVELOPING.md).
gpu-bundle: gpu-check-build ## gpu-check in one folder, build/gpu-check-bundle, for a GPU machine with no packages
	@$(FASE) gpu-bundle $(LOGS)/gpu-bundle.log scripts/gpu-bundle.sh $(BUILD) $(BUILD)/gpu-check-bundle
	@du -sh $(BUILD)/gpu-check-bundle

gpu-check-build: deps ## build only what gpu-check needs
	@$(TORN) $(FASE) configure $(LOGS)/configure.log \
		cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DPARTICULES_BENCH=ON
	@$(TORN) $(FASE) build $(LOGS)/build-gpu-check.log cmake --build $(BUILD) -j $(JOBS) --target $(GPU_CHECK)

# Fuzzes the configuration reader for FUZZ_SECONDS, starting from the seeds in
# tests/fuzz/corpus; what it learns stays in build-fuzz/corpus for the next run.
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 600

fuzz: deps ## fuzz the config reader for FUZZ_SECONDS with libFuzzer
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DPARTICULES_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target llegir_config_fuzz
	mkdir -p $(FUZZ_BUILD)/corpus
	cd $(FUZZ_BUILD) && ./llegir_config_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		-dict=$(CURDIR)/tests/fuzz/config.dict corpus $(CURDIR)/tests/fuzz/corpus

# The monkey test at the controls for SOAK_SECONDS; make test runs it for 30.
SOAK_SECONDS ?= 600

soak: build ## SOAK_SECONDS of random keys, wheel and pans under Xvfb
	SOAK_SECONDS=$(SOAK_SECONDS) $(BUILD)/tests/e2e_tests --gtest_filter='Soak.*'

# Line coverage of the config reader by the fuzz corpus (the seeds and what
# make fuzz has found), with clang's source-based coverage.
FUZZ_COV_BUILD := build-fuzz-cov

fuzz-coverage: deps ## line coverage of start-up by the fuzz corpus
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

clean: ## remove every build folder
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(FUZZ_COV_BUILD) \
		$(WEB) $(WEB_BUILD) $(WEB_FILS_BUILD)
