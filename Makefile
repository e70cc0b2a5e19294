# SPDX-License-Identifier: GPL-2.0-or-later
# Thin wrapper around CMake. `make demo` and `make test` do all the set-up on a
# fresh Debian machine; see README.md.

# man-db: the test that the manual pages format without a warning.
DEB_PACKAGES := cmake g++ make pkg-config liblzo2-dev libgtest-dev libcli11-dev libpng-dev libutf8proc-dev libarchive-dev gcab \
	zlib1g-dev man-db
# Each step installs only what it needs (tools/deps.sh). The Windows cross
# builds (make windows, windows-dist): the MinGW-w64 compilers, and dpkg-dev
# to unpack Debian's lzo2, zlib, utf8proc, xz-utils and libarchive source
# packages for them.
MINGW_PACKAGES := g++-mingw-w64-i686 g++-mingw-w64-x86-64 dpkg-dev
# The 64-bit executable under the 64-bit Wine (make windows-test); wrestool
# (icoutils) reads the executables' resources. Wine takes the system language
# and the ANSI code page from the locale (LANG): the Windows tests run in a
# Japanese and an English one.
WINE64_PACKAGES := wine64 icoutils locales
WINDOWS_LOCALES := ja_JP.UTF-8 en_US.UTF-8
# The 32-bit executable under the 32-bit Wine (wine32:i386) inside qemu-i386
# (qemu-user). Packages of a foreign architecture: where they cannot be
# installed, only the 32-bit runs are skipped, loudly.
WINE32_PACKAGES := qemu-user wine32:i386
# The run as its user sees it (make windows-ui-test): a virtual X server, a
# Japanese font, xdotool to find, read and drive the windows, netpbm for the
# screenshots, and glibc's locale sources for Wine's system language.
WINDOWS_UI_PACKAGES := xvfb fonts-ipafont-gothic xdotool netpbm locales
# The 32-bit Linux build and its tests under qemu-i386 (make test-i686): the
# cross compiler and the emulator, then the libraries of the i386
# architecture, without which the step is skipped, loudly.
I686_TOOL_PACKAGES := g++-i686-linux-gnu qemu-user
I686_PACKAGES := liblzo2-dev:i386 libgtest-dev:i386 libpng-dev:i386 libutf8proc-dev:i386 libarchive-dev:i386
# clang with its libFuzzer and sanitizer runtimes for the fuzzers (make fuzz,
# fuzz-smoke).
FUZZ_PACKAGES := clang libclang-rt-dev
# The Debian package (make deb, deb-test): debhelper builds it, lintian checks
# it, man-db opens its manual pages; the build dependencies of debian/control.
DEB_BUILD_PACKAGES := debhelper lintian man-db dpkg-dev cmake g++ pkg-config liblzo2-dev libcli11-dev \
	libutf8proc-dev zlib1g-dev libarchive-dev
# Debian's chromium, headless, for the browser test of avdtool's report page
# (make browser-test).
BROWSER_PACKAGES := chromium
DEPS := sh tools/deps.sh
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD := build
ASAN_BUILD := build-asan
I686_BUILD := build-i686
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 20
DEMO := $(BUILD)/demo
# The project version, for the name of the Windows zip.
VERSION := $(shell sed -n 's/^project.msconv VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

.PHONY: all deps build programs test demo install deb deb-deps deb-test bench bench-report format clean windows-deps windows windows-test windows-dist \
	windows-ui-deps windows-ui-test \
	i686-deps test-i686 i686-build-and-test fuzz-deps fuzz-build fuzz fuzz-smoke browser-deps browser-test

all: build

# The packages of the native build; see tools/deps.sh.
deps:
	@$(DEPS) $(DEB_PACKAGES)

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

test: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMSCONV_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DMSCONV_SANITIZE=ON -DMSCONV_WERROR=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# Only the three programs a user runs, not the test suite: what the demo
# runs and what is installed.
programs: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target programs

demo: programs
	sh tools/demo.sh $(BUILD) $(DEMO)

# The programs, their manual pages and the documentation into PREFIX (under
# DESTDIR, when set), by CMake's install rules.
PREFIX ?= /usr/local
install: programs
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package $(BUILD)/deb/msconv_VERSION_ARCH.deb, built from a copy
# of the checked-out tree (dpkg-buildpackage writes beside the source folder),
# then lintian on it.
deb: deb-deps
	JOBS=$(JOBS) sh tools/make-deb.sh $(BUILD)/deb

deb-deps:
	@$(DEPS) $(DEB_BUILD_PACKAGES)

# Installs the package, converts the sample game with the installed msconv,
# checks it with the installed avdtool, opens the manual pages, removes the
# package and checks that nothing of it is left.
deb-test: deb
	sh tools/deb-test.sh $(BUILD)/deb

# Conversion time against bare LZO1X-999 compression, 1 job against N, peak
# memory, and the check that both packages are identical. Sizes: BENCH_ARGS.
BENCH_ARGS ?=
bench: build
	$(BUILD)/tools/bench/msconv-bench --msconv $(BUILD)/src/msconv \
	  --generator $(BUILD)/tools/sample-game/sample-game --work $(BUILD)/bench $(BENCH_ARGS)

# avdtool check and report on a sample package of 500 pictures and 200
# scenarios: time and peak memory.
bench-report: build
	sh tools/bench/report_bench.sh $(BUILD) $(BUILD)/bench-report

format:
	find src tools tests -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(I686_BUILD) $(FUZZ_BUILD)

windows-deps:
	@$(DEPS) $(MINGW_PACKAGES)

# "$(call with_wine32,STEP) COMMAND" installs the 32-bit Wine and runs COMMAND
# with MSCONV_WINE32=yes, or with MSCONV_WINE32=no when its packages cannot be
# installed (tools/deps.sh says so and logs the skip of STEP's 32-bit runs);
# any other failure stops the step.
with_wine32 = $(DEPS) --step "$(1): the 32-bit Windows executable under the 32-bit Wine" \
	$(WINE32_PACKAGES); status=$$?; \
	case $$status in 0) MSCONV_WINE32=yes;; 3) MSCONV_WINE32=no;; *) exit $$status;; esac; \
	export MSCONV_WINE32;

# msconv.exe for 32-bit and 64-bit Windows, statically linked, in
# $(BUILD)/windows/i686/src and $(BUILD)/windows/x86_64/src.
windows: windows-deps
	for arch in i686 x86_64; do \
	  cmake -S . -B $(BUILD)/windows/$$arch --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release -DMSCONV_TESTS=OFF \
	    -DMSCONV_LZO2_SOURCE=$(CURDIR)/$(BUILD)/windows/lzo2-source \
	    -DMSCONV_ZLIB_SOURCE=$(CURDIR)/$(BUILD)/windows/zlib-source \
	    -DMSCONV_UTF8PROC_SOURCE=$(CURDIR)/$(BUILD)/windows/utf8proc-source \
	    -DMSCONV_XZ_SOURCE=$(CURDIR)/$(BUILD)/windows/xz-source \
	    -DMSCONV_LIBARCHIVE_SOURCE=$(CURDIR)/$(BUILD)/windows/libarchive-source \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$$arch-w64-mingw32.cmake && \
	  cmake --build $(BUILD)/windows/$$arch -j $(JOBS) || exit 1; \
	done

# Both executables under Wine: the 64-bit one with Wine's 64-bit loader, the
# 32-bit one with the 32-bit loader inside qemu-i386 and --jobs 1.
windows-test: build windows
	@$(DEPS) $(WINE64_PACKAGES)
	@sh tools/make-locales.sh $(WINDOWS_LOCALES)
	@$(call with_wine32,windows-test) bash tests/windows/run_wine_test.sh $(BUILD) $(BUILD)/windows

windows-ui-deps:
	@$(DEPS) $(WINE64_PACKAGES) $(WINDOWS_UI_PACKAGES)

# The executables started as a double-click starts them, in a console window
# under Xvfb, in Wine's Japanese and English system language: the folder
# dialog, cancel, a chosen game folder and an interruption; screenshots in
# $(BUILD)/windows/wine-ui-test.
windows-ui-test: build windows windows-ui-deps
	@$(call with_wine32,windows-ui-test) bash tests/windows/run_ui_test.sh $(BUILD) $(BUILD)/windows

# $(BUILD)/windows/msconv-$(VERSION)-win32.zip for Windows users: the 32-bit
# msconv.exe, a read-me in Japanese, the licence and the corresponding source;
# then the check of its contents.
windows-dist: windows
	sh packaging/windows/make-dist.sh $(BUILD)/windows $(VERSION)
	bash tests/windows/check_dist.sh $(BUILD)/windows/msconv-$(VERSION)-win32.zip \
	  $(BUILD)/windows/i686/src/msconv.exe

i686-deps:
	@$(DEPS) $(I686_TOOL_PACKAGES)
	@$(DEPS) --step test-i686 $(I686_PACKAGES)

# The whole test suite built for 32-bit Linux in $(I686_BUILD): every test
# executable, and the executables the end-to-end tests start, run under
# qemu-i386 (see cmake/toolchain-i686-linux-gnu.cmake).
test-i686:
	@$(DEPS) $(I686_TOOL_PACKAGES)
	@$(DEPS) --step test-i686 $(I686_PACKAGES); status=$$?; \
	case $$status in 0) ;; 3) exit 0;; *) exit $$status;; esac; \
	$(MAKE) --no-print-directory i686-build-and-test

i686-build-and-test:
	cmake -S . -B $(I686_BUILD) --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMSCONV_WERROR=ON \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-linux-gnu.cmake
	cmake --build $(I686_BUILD) -j $(JOBS)
	ctest --test-dir $(I686_BUILD) --output-on-failure -j $(JOBS)

fuzz-deps: deps
	@$(DEPS) $(FUZZ_PACKAGES)

# The fuzzers of tests/fuzz, built with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in $(FUZZ_BUILD).
fuzz-build: fuzz-deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DMSCONV_FUZZ=ON -DMSCONV_WERROR=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers

# Each fuzzer for FUZZ_SECONDS (or FUZZ_RUNS executions) on the generated
# seeds and the corpus grown so far in $(FUZZ_BUILD)/fuzz/corpus.
fuzz: fuzz-build
	sh tests/fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_RUNS)

# A short run of each fuzzer on the generated seeds, for CI.
fuzz-smoke: fuzz-build
	sh tests/fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS)

browser-deps:
	@$(DEPS) $(BROWSER_PACKAGES)

# The sample game's report page (avdtool report) in headless chromium from
# file://; keeps a full-page screenshot in $(BUILD)/browser-test/report-screenshot.png.
browser-test: build browser-deps
	bash tests/browser/browser_test.sh $(BUILD) $(BUILD)/browser-test
