# make run: install what is missing, configure, build and start the program.
# make test: the same, then build and run every test.
# make install: build the program and install it and its manual page under
# PREFIX (default /usr/local), staged under DESTDIR when that is set.
# PRESET picks one of CMakePresets.json: plain, address-undefined or thread,
# each with a build folder of its own (build, build-asan, build-tsan).
# SANITIZE=address,undefined or SANITIZE=thread picks the preset too, and
# BUILD=dir another folder.
SANITIZE ?=
PRESET ?= $(if $(findstring thread,$(SANITIZE)),thread,$(if $(SANITIZE),address-undefined,plain))
BUILD ?= $(if $(filter thread,$(PRESET)),build-tsan,$(if $(filter address-undefined,$(PRESET)),build-asan,build))
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: run test build configure bench install clean

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

install: configure
	cmake --build $(BUILD) -j $(JOBS) --target hilbert3d
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

configure:
	bash tools/install-deps.sh $(TEST_DEPS)
	cmake --preset $(PRESET) -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  $(if $(SANITIZE),-DHILBERT3D_SANITIZE=$(SANITIZE)) -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null

clean:
	rm -rf $(BUILD)
