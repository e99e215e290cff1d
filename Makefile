# make run: install what is missing, configure, build and start the program.
# make test: the same, then build and run every test.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
SANITIZE ?=
JOBS ?= $(shell nproc)

.PHONY: run test build configure bench clean

run: configure
	cmake --build $(BUILD) -j $(JOBS) --target hilbert3d
	./$(BUILD)/hilbert3d

test: TEST_DEPS = test
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD)/hilbert3d-bench

build: configure
	cmake --build $(BUILD) -j $(JOBS)

configure:
	bash tools/install-deps.sh $(TEST_DEPS)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DHILBERT3D_SANITIZE=$(SANITIZE) >/dev/null

clean:
	rm -rf $(BUILD)
