# The two commands: `make test` runs every test, `make demo` runs the main job against a local
# INN2 server. Both install what they need first (tools/setup.sh, as root).
.PHONY: setup test demo bench screenshots

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
