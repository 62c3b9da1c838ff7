# Quillmar: the two everyday commands are `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps configure build run test bench clean book package check-asan fuzz model

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@bash scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-release

book: configure
	@cmake --build $(BUILD) --target book

# Retrains the grammar model from the treebank beside the project (../shared), seeded: the
# same treebank gives the same bytes.
TREEBANK ?= $(CURDIR)/../shared/treebanks/ud-english-ewt
GRAMMAR_TRAIN_FLAGS ?=
model: configure
	@cmake --build $(BUILD) --target grammar_train -j $(JOBS)
	@$(BUILD)/bin/grammar_train $(TREEBANK) data/grammar/english.qmg $(GRAMMAR_TRAIN_FLAGS)

package: build
	@cd $(BUILD) && cpack -G DEB

check-asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLMAR_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

fuzz: deps
	@bash scripts/fuzz.sh 60
