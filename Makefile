# The two commands of the README: `make run` and `make test`.
.PHONY: run test test-asan build build-asan deps clean

deps:
	@tools/install-deps.sh

build: deps
	cmake --preset release >/dev/null
	cmake --build --preset release

build-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan

# The main job on the shipped puzzle.
run: build
	./build/release/tessera pieces --pieces data/zdroj.txt > build/release/catalogue.txt
	@echo "catalogue of data/zdroj.txt: build/release/catalogue.txt ($$(wc -l < build/release/catalogue.txt) lines)"

test: build
	ctest --preset release

test-asan: build-asan
	ctest --preset asan

clean:
	rm -rf build
