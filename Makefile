# `make test` runs every test, `make demo` runs the main job against a local INN2 server, `make
# release` packs dist/Rillpost-<version>.zip, the package users download. Each installs what it
# needs first (tools/setup.sh, as root).
.PHONY: setup test demo bench screenshots release

setup:
	bash tools/setup.sh

test: setup
	bash tools/test.sh

demo: setup
	bash tools/demo.sh

bench: setup
	bash tools/bench.sh

screenshots: setup
	bash tools/screenshots.sh

release: setup
	bash tools/release.sh
