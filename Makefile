# SPDX-License-Identifier: GPL-2.0-or-later
# Thin wrapper around CMake. `make demo` and `make test` do all the set-up on a
# fresh Debian machine; see README.md.

DEB_PACKAGES := cmake g++ make pkg-config liblzo2-dev libgtest-dev libcli11-dev libpng-dev
# The Windows cross builds and their test under Wine (make windows, windows-test);
# dpkg-dev unpacks Debian's lzo2 and zlib source packages for them. The 32-bit executable
# runs under the 32-bit Wine (wine32:i386) inside qemu-i386 (qemu-user); wrestool
# (icoutils) reads the executables' resources.
WINDOWS_PACKAGES := g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 dpkg-dev qemu-user wine32:i386 \
	icoutils locales
# Wine takes the system language and the ANSI code page from the locale
# (LANG): the Windows tests run in a Japanese and an English one.
WINDOWS_LOCALES := ja_JP.UTF-8 en_US.UTF-8
# The run as its user sees it (make windows-ui-test): a virtual X server, a
# Japanese font, xdotool to find, read and drive the windows, netpbm for the
# screenshots, and glibc's locale sources for Wine's system language.
WINDOWS_UI_PACKAGES := xvfb fonts-ipafont-gothic xdotool netpbm locales
# The 32-bit Linux build and its tests under qemu-i386 (make test-i686).
I686_PACKAGES := g++-i686-linux-gnu qemu-user liblzo2-dev:i386 libgtest-dev:i386 libpng-dev:i386
# clang with its libFuzzer and sanitizer runtimes for the fuzzers (make fuzz,
# fuzz-smoke).
FUZZ_PACKAGES := clang libclang-rt-dev
# Debian's chromium, headless, for the browser test of avdtool's report page
# (make browser-test).
BROWSER_PACKAGES := chromium
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

.PHONY: all deps build test demo bench bench-report format clean windows-deps windows windows-test windows-dist \
	windows-ui-deps windows-ui-test \
	i686-deps test-i686 fuzz-deps fuzz-build fuzz fuzz-smoke browser-deps browser-test

all: build

# A package counts as installed in the machine's own architecture (or "all")
# unless it is named PACKAGE:ARCH; dpkg -s cannot tell once a package is there
# for two architectures. Packages named PACKAGE:i386 need dpkg's i386
# architecture, which is added (before apt-get update) when it is missing.
deps:
	@missing=""; native=$$(dpkg --print-architecture); \
	for p in $(DEB_PACKAGES); do \
	  case $$p in *:*) want=$${p#*:};; *) want="$$native|all";; esac; \
	  dpkg-query -W -f='$${db:Status-Abbrev}$${Architecture}\n' $$p 2>/dev/null | \
	    grep -Eqx "ii ($$want)" || missing="$$missing $$p"; \
	done; \
	if [ -z "$$missing" ]; then exit 0; fi; \
	add_i386=""; \
	case "$$missing" in *:i386*) \
	  dpkg --print-foreign-architectures | grep -qx i386 || add_i386=yes;; \
	esac; \
	if [ "$$(id -u)" = 0 ]; then \
	  if [ -n "$$add_i386" ]; then echo "Adding the i386 architecture"; dpkg --add-architecture i386; fi; \
	  echo "Installing:$$missing"; \
	  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	else \
	  echo "Missing packages. Run:"; \
	  if [ -n "$$add_i386" ]; then echo "  sudo dpkg --add-architecture i386 && sudo apt-get update"; fi; \
	  echo "  sudo apt-get install -y$$missing"; \
	  exit 1; \
	fi

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

demo: build
	sh tools/demo.sh $(BUILD) $(DEMO)

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

windows-deps: deps
	@$(MAKE) --no-print-directory deps DEB_PACKAGES="$(WINDOWS_PACKAGES)"
	@sh tools/make-locales.sh $(WINDOWS_LOCALES)

# msconv.exe for 32-bit and 64-bit Windows, statically linked, in
# $(BUILD)/windows/i686/src and $(BUILD)/windows/x86_64/src.
windows: windows-deps
	for arch in i686 x86_64; do \
	  cmake -S . -B $(BUILD)/windows/$$arch --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release -DMSCONV_TESTS=OFF \
	    -DMSCONV_LZO2_SOURCE=$(CURDIR)/$(BUILD)/windows/lzo2-source \
	    -DMSCONV_ZLIB_SOURCE=$(CURDIR)/$(BUILD)/windows/zlib-source \
	    -DMSCONV_UTF8PROC_SOURCE=$(CURDIR)/$(BUILD)/windows/utf8proc-source \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$$arch-w64-mingw32.cmake && \
	  cmake --build $(BUILD)/windows/$$arch -j $(JOBS) || exit 1; \
	done

# Both executables under Wine: the 64-bit one with Wine's 64-bit loader, the
# 32-bit one with the 32-bit loader inside qemu-i386 and --jobs 1.
windows-test: build windows
	bash tests/windows/run_wine_test.sh $(BUILD) $(BUILD)/windows

windows-ui-deps: windows-deps
	@$(MAKE) --no-print-directory deps DEB_PACKAGES="$(WINDOWS_UI_PACKAGES)"

# The executables started as a double-click starts them, in a console window
# under Xvfb, in Wine's Japanese and English system language: the folder
# dialog, cancel, a chosen game folder and an interruption; screenshots in
# $(BUILD)/windows/wine-ui-test.
windows-ui-test: build windows windows-ui-deps
	bash tests/windows/run_ui_test.sh $(BUILD) $(BUILD)/windows

# $(BUILD)/windows/msconv-$(VERSION)-win32.zip for Windows users: the 32-bit
# msconv.exe, a read-me in Japanese, the licence and the corresponding source;
# then the check of its contents.
windows-dist: windows
	sh packaging/windows/make-dist.sh $(BUILD)/windows $(VERSION)
	bash tests/windows/check_dist.sh $(BUILD)/windows/msconv-$(VERSION)-win32.zip \
	  $(BUILD)/windows/i686/src/msconv.exe

i686-deps: deps
	@$(MAKE) --no-print-directory deps DEB_PACKAGES="$(I686_PACKAGES)"

# The whole test suite built for 32-bit Linux in $(I686_BUILD): every test
# executable, and the executables the end-to-end tests start, run under
# qemu-i386 (see cmake/toolchain-i686-linux-gnu.cmake).
test-i686: i686-deps
	cmake -S . -B $(I686_BUILD) --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMSCONV_WERROR=ON \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-linux-gnu.cmake
	cmake --build $(I686_BUILD) -j $(JOBS)
	ctest --test-dir $(I686_BUILD) --output-on-failure -j $(JOBS)

fuzz-deps: deps
	@$(MAKE) --no-print-directory deps DEB_PACKAGES="$(FUZZ_PACKAGES)"

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

browser-deps: deps
	@$(MAKE) --no-print-directory deps DEB_PACKAGES="$(BROWSER_PACKAGES)"

# The sample game's report page (avdtool report) in headless chromium from
# file://; keeps a full-page screenshot in $(BUILD)/browser-test/report-screenshot.png.
browser-test: build browser-deps
	bash tests/browser/browser_test.sh $(BUILD) $(BUILD)/browser-test
