# Front door of the build. `make run` and `make test` install what is missing, build into build/
# and then start the program or run every test.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
EDITION ?= full
PREFIX ?= /usr/local
# The sanitizer builds: clang with AddressSanitizer, UndefinedBehaviorSanitizer and the fuzz
# targets; gcc with ThreadSanitizer.
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_SECONDS ?= 30
# More cmake options for the sanitizer builds (a compiler launcher, say).
CMAKE_EXTRA ?=
# What the sanitizer runtimes are told, in the tests and in the programs they start.
SYMBOLIZER := $(firstword $(shell command -v llvm-symbolizer 2>/dev/null) \
  $(wildcard /usr/lib/llvm-*/bin/llvm-symbolizer))
ASAN_ENV = ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ASAN_SYMBOLIZER_PATH=$(SYMBOLIZER)
TSAN_ENV = TSAN_OPTIONS=suppressions=$(CURDIR)/tests/tsan.supp
SANITIZER_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g"

.PHONY: all bootstrap configure build run test test-fast bench format clean install uninstall deb \
  build-asan test-asan fuzz test-tsan

all: build

bootstrap:
	@scripts/bootstrap

configure:
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DTALLOWIN_EDITION=$(EDITION) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: bootstrap build
	@$(BUILD)/bin/tallowin

# Every test, the long preset matrix included.
test: bootstrap build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The quick suite: everything but the tests labelled "long".
test-fast: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) -LE long

# AddressSanitizer and UndefinedBehaviorSanitizer over every test but the long preset matrix;
# the same build holds the fuzz targets.
build-asan: bootstrap
	@cmake -S . -B $(ASAN_BUILD) $(SANITIZER_FLAGS) -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DTALLOWIN_SANITIZE=address,undefined -DTALLOWIN_FUZZ=ON \
	  $(CMAKE_EXTRA) >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)

test-asan: build-asan
	@cd $(ASAN_BUILD) && $(ASAN_ENV) ctest --output-on-failure -j$(JOBS) -LE long

# Every fuzz target for FUZZ_SECONDS seconds (failing inputs are kept under $(ASAN_BUILD)/fuzz).
fuzz: build-asan
	@$(ASAN_ENV) scripts/fuzz $(ASAN_BUILD) $(FUZZ_SECONDS)

# ThreadSanitizer over the suites that run threads (the uninstrumented FFmpeg and Qt libraries
# are left out by tests/tsan.supp).
test-tsan: bootstrap
	@cmake -S . -B $(TSAN_BUILD) $(SANITIZER_FLAGS) -DTALLOWIN_SANITIZE=thread \
	  $(CMAKE_EXTRA) >/dev/null
	@cmake --build $(TSAN_BUILD) -j$(JOBS)
	@cd $(TSAN_BUILD) && $(TSAN_ENV) ctest --output-on-failure -j$(JOBS) \
	  -L 'common|net|media|convert|download'

bench: bootstrap build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && [ -f "$$b" ] && "$$b"; done; true

# Installs into PREFIX (DESTDIR honoured): the program in PREFIX/lib/tallowin, links in PREFIX/bin,
# the desktop entry, icons and metainfo in PREFIX/share.
install: bootstrap
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DTALLOWIN_EDITION=$(EDITION) \
	  -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)
	@cmake --install $(BUILD)

# Removes what the last `make install` put in place.
uninstall:
	@if [ -f $(BUILD)/install_manifest.txt ]; then \
	  xargs -d '\n' rm -fv < $(BUILD)/install_manifest.txt; \
	  rm -fv "$(DESTDIR)$(PREFIX)/bin/tallowin" "$(DESTDIR)$(PREFIX)/bin/tallowin-cli"; \
	  rm -rf "$(DESTDIR)$(PREFIX)/lib/tallowin"; \
	else echo "uninstall: nothing was installed from $(BUILD)"; fi

# The Debian package of the edition: build/tallowin_VERSION_ARCH.deb (or tallowin-EDITION_...).
deb: bootstrap
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DTALLOWIN_EDITION=$(EDITION) \
	  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)
	@cd $(BUILD) && cpack -G DEB

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD)
