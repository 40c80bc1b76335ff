# The two commands of a fresh machine: `make run` and `make test`.
.PHONY: all deps native windows run test test-native bench clean

all: native windows

deps:
	@bash scripts/install-deps.sh

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native

windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows

# Starts the real program under Wine on this machine's display (or a virtual
# one), with its own Wine prefix.
run: windows
	bash scripts/run-under-wine.sh

# Every test: native over the simulated desktop, then the Windows executables
# and the end-to-end scenarios under Wine.  Ends with CTest's summary.
test: native windows
	ctest --preset native

test-native: native
	ctest --preset native -E '^wine\.'

bench: native
	./build/native/bench/lingbo_bench

clean:
	rm -rf build dist
