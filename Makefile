# The two commands of a fresh machine: `make run` and `make test`.
.PHONY: all deps native windows asan run demo test test-native sanitize fuzz format format-check layer-check bench dist clean

all: native windows

deps:
	@bash scripts/install-deps.sh

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native

windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows

asan: deps
	cmake --preset native-asan >/dev/null
	cmake --build --preset native-asan

# Starts the real program under Wine on this machine's display (or a virtual
# one), with its own Wine prefix.
run: windows
	bash scripts/run-under-wine.sh

# The same, with the stand-ins of 大智慧 and of a trading client beside it:
# the label follows the chart in front, 买 fills the client's code field.
demo: windows
	bash scripts/run-under-wine.sh --demo

# Every test: formatting, the layers of src/, the native tests under the
# sanitizers, then the native tests again beside the Windows executables and
# the end-to-end scenarios under Wine, with short fuzzing runs beside them:
# those tests mostly wait on Wine, and the fuzzers, at the lowest priority,
# take the processor time they leave.  Ends with CTest's summary, then the
# fuzzers' report.
test: format-check layer-check sanitize native windows
	@mkdir -p build; nice -n 19 bash scripts/fuzz.sh >build/fuzz.log 2>&1 & fuzz=$$!; \
	  ctest --preset native; tests=$$?; \
	  wait $$fuzz; fuzzed=$$?; cat build/fuzz.log; \
	  [ $$tests -eq 0 ] && [ $$fuzzed -eq 0 ]

test-native: native
	ctest --preset native -E '^wine\.'

sanitize: asan
	ctest --preset native-asan

fuzz: deps
	bash scripts/fuzz.sh

format-check: deps
	bash scripts/check-format.sh

# No folder of src/ includes a layer above its own, and no two files of src/
# include each other, directly or through others.
layer-check:
	python3 scripts/check-layers.py

format: deps
	bash scripts/check-format.sh --fix

bench: native windows
	bash scripts/bench.sh

dist: windows
	bash scripts/dist.sh

clean:
	rm -rf build dist
