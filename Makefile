# Front door of the build. `make run` and `make test` install what is missing, build into build/
# and then start the program or run every test.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
EDITION ?= full

.PHONY: all bootstrap configure build run test test-fast bench format clean

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

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD)
