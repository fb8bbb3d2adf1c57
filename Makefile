# Two entry points for a fresh Debian 12 machine: `make run` and `make test`.
# Each installs what it needs first (scripts/install-deps.sh skips apt when all is present).

BUILD_DIR   ?= build
ASAN_DIR    ?= build-asan
RELEASE_DIR ?= build-release
JOBS        ?= $(shell nproc)
CMAKE_FLAGS ?=

# Suites that also run under AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZED_LABELS  ?= chess
SANITIZED_TARGETS ?= chess_tests
# The game session (clock, game manager) and the sound manager run sanitized too.
SANITIZED_LABELS  := $(SANITIZED_LABELS)|game|platform
SANITIZED_TARGETS += game_tests platform_tests
# The UCI engine layer too, its Stockfish suite included (the label regex matches both).
SANITIZED_LABELS  := $(SANITIZED_LABELS)|uci
SANITIZED_TARGETS += uci_tests uci_stockfish_tests
# Engine games (fake engines and Stockfish) and the keep-awake lock.
SANITIZED_TARGETS += game_stockfish_tests keep_awake_tests
# The automatch series, its engine suite included.
SANITIZED_LABELS  := $(SANITIZED_LABELS)|automatch
SANITIZED_TARGETS += automatch_tests automatch_engine_tests
# Self-update: the bundle checks, the updater program and the update client over loopback HTTPS.
SANITIZED_LABELS  := $(SANITIZED_LABELS)|update
SANITIZED_TARGETS += bundle_tests updater_tests update_tests update_install_tests

.PHONY: all deps build run install uninstall test test-main test-sanitized format-check bench clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKOR_BUILD_BENCH=OFF \
	      $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target velkor
	./$(BUILD_DIR)/Velkor.app/Contents/MacOS/velkor

# Installs for the current user: ~/.local/opt/Velkor.app, a desktop entry, the icons and
# ~/.local/bin/velkor. `make uninstall` removes exactly those.
install: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS) --target velkor
	bash scripts/desktop-install.sh install $(BUILD_DIR)

uninstall:
	bash scripts/desktop-install.sh uninstall

test: format-check test-main test-sanitized

# Our sources follow the committed .clang-format.
format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

test-main: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

$(ASAN_DIR)/build.ninja:
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELKOR_SANITIZE=ON \
	      -DVELKOR_BUILD_BENCH=OFF $(CMAKE_FLAGS)

test-sanitized: deps $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS) --target $(SANITIZED_TARGETS)
	cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS) -L '$(SANITIZED_LABELS)'

$(RELEASE_DIR)/build.ninja:
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKOR_BUILD_TESTS=OFF \
	      $(CMAKE_FLAGS)

bench: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	@for b in $(RELEASE_DIR)/bin/bench_*; do echo "== $$b"; "$$b"; done

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(RELEASE_DIR)
