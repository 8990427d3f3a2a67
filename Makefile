# The two commands of the README: `make run` and `make test`.
.PHONY: run test test-asan build build-asan deps clean format format-check

deps:
	@scripts/install-deps.sh

build: deps
	cmake --preset release >/dev/null
	cmake --build --preset release

build-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan

RUN_DIR := build/run
TESSERA := ./build/release/tessera

# The main job on the shipped puzzle: a search with the limit region on for 20 seconds, then
# the best partial fill ("big.txt") and the final placement ("tuton.txt") checked and drawn.
run: build
	mkdir -p $(RUN_DIR)
	cp data/zdroj.txt $(RUN_DIR)/zdroj.txt
	rm -f $(RUN_DIR)/big.txt $(RUN_DIR)/tuton.txt $(RUN_DIR)/var_*.txt $(RUN_DIR)/res_*.txt
	$(TESSERA) search -C $(RUN_DIR) --limits --time-limit 20
	$(TESSERA) check -C $(RUN_DIR) big.txt
	$(TESSERA) check -C $(RUN_DIR) tuton.txt
	$(TESSERA) render -C $(RUN_DIR) big.txt -o big.png
	$(TESSERA) render -C $(RUN_DIR) tuton.txt -o tuton.png
	@echo "pictures: $(RUN_DIR)/big.png $(RUN_DIR)/tuton.png"

test: build
	ctest --preset release

test-asan: build-asan
	ctest --preset asan

# clang-format (.clang-format) on the C++ lines changed since the branch point with main, the lines
# the check looks at (scripts/format.sh; --all formats every file).
format:
	@scripts/format.sh

format-check:
	@scripts/format.sh --check

clean:
	rm -rf build
