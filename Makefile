# make run   installs what is missing, builds and starts the program.
# make test  installs what is missing, builds, runs every test; then builds with
#            AddressSanitizer and UndefinedBehaviorSanitizer (clang), runs the tests again
#            and runs each fuzz target for a bounded time.
BUILD     ?= build
SAN_BUILD ?= build-san
JOBS      ?= $(shell nproc)
CTEST_ENV  = QT_QPA_PLATFORM=offscreen

.PHONY: deps configure build run test test-release test-sanitize bench screenshots clean

deps:
	bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/bin/Orvenda

test-release: build
	cd $(BUILD) && $(CTEST_ENV) ctest --output-on-failure -j$(JOBS) --timeout 900

test-sanitize: deps
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORV_SANITIZE=ON -DORV_FUZZ=ON -DORV_BENCH=OFF
	cmake --build $(SAN_BUILD) -j$(JOBS)
	cd $(SAN_BUILD) && $(CTEST_ENV) ctest --output-on-failure -j$(JOBS) --timeout 900

test: test-release test-sanitize

bench: build
	for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b; done

screenshots: build
	cmake --build $(BUILD) --target screenshots

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
