# The two commands a new machine needs: `make run` and `make test`.
BUILD := build
EXAMPLE ?= orbita
JOBS ?= $(shell nproc)

.PHONY: all deps build run test clean

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

# Remakes docs/screenshot.png from the default example under Xvfb.
screenshot: build
	scripts/screenshot.sh $(EXAMPLE)

clean:
	rm -rf $(BUILD)
