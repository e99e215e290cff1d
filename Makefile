# make run: install what is missing, configure, build and start the program.
# make test: the same, then build and run every test.
# make install: build the program and install it, its manual page, menu
# entry and icon under PREFIX (default /usr/local), staged under DESTDIR when
# that is set; make uninstall removes them again.
# make package: build the Debian package $(BUILD)/hilbert3d_<version>_<arch>.deb.
# Only test and bench build the tests, the benchmarks and the test tools.
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
TESTING = OFF

.PHONY: run test build configure bench install uninstall package clean

run: configure
	cmake --build $(BUILD) -j $(JOBS) --target hilbert3d
	./$(BUILD)/hilbert3d

test: TEST_DEPS = test
test: TESTING = ON
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: TEST_DEPS = test
bench: TESTING = ON
bench: build
	./$(BUILD)/hilbert3d-bench

build: configure
	cmake --build $(BUILD) -j $(JOBS)

install: configure
	cmake --build $(BUILD) -j $(JOBS) --target hilbert3d
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

uninstall:
	DESTDIR="$(DESTDIR)" cmake --build $(BUILD) --target uninstall

package: DEPS = package
package: configure
	cmake --build $(BUILD) -j $(JOBS) --target hilbert3d
	cd $(BUILD) && cpack

configure:
	bash tools/install-deps.sh $(TEST_DEPS) $(DEPS)
	cmake --preset $(PRESET) -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  $(if $(SANITIZE),-DHILBERT3D_SANITIZE=$(SANITIZE)) -DCMAKE_INSTALL_PREFIX=$(PREFIX) -DBUILD_TESTING=$(TESTING) >/dev/null

clean:
	rm -rf $(BUILD)
