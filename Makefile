# Thin front door; the work is in scripts/ and CMake.
.PHONY: all setup native check test faults demo bench fuzz package distros clean

all: setup
	bash scripts/build.sh win64

setup:
	bash scripts/setup.sh

native: setup
	bash scripts/build.sh native

# The quick loop (under a minute once built); make test is the whole run.
check:
	bash scripts/test.sh --check

test:
	bash scripts/test.sh

faults:
	bash scripts/faults.sh

demo:
	bash scripts/demo.sh

bench:
	bash scripts/bench.sh

fuzz:
	bash scripts/fuzz.sh

package:
	bash scripts/package.sh

# The README's two commands in fresh Debian roots (tens of minutes; root): make distros DISTROS="12 13"
DISTROS ?= 13
distros:
	bash scripts/distros.sh $(DISTROS)

clean:
	rm -rf build out dist
