# Front door of the build. `make run` and `make test` install what is missing, build into build/
# and then start the program or run every test.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
EDITION ?= full
PREFIX ?= /usr/local

.PHONY: all bootstrap configure build run test test-fast bench format clean install uninstall deb

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
