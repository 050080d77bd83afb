# Runs every built fuzz target for RUNS executions each. Invoked from the fuzz
# build folder:  make -f <source>/fuzz/run.mk RUNS=N
# Each target keeps its growing corpus in corpus-<name>/ here and is seeded
# from tests/data/fuzz-corpus/<name>/ in the source tree when that exists.
RUNS ?= 100000
FUZZ_DIR := $(patsubst %/,%,$(dir $(abspath $(lastword $(MAKEFILE_LIST)))))
TARGETS := $(sort $(wildcard fuzz_*))
FUZZ_FLAGS ?= -rss_limit_mb=2048 -timeout=30 -print_final_stats=1

.PHONY: all $(TARGETS)

all: $(TARGETS)
	@test -n "$(TARGETS)" || { echo "no fuzz targets built here (build fuzz_all first)"; exit 1; }
	@echo "fuzzing done: $(TARGETS), $(RUNS) runs each"

$(TARGETS):
	@mkdir -p corpus-$(@:fuzz_%=%)
	@echo "== $@ ($(RUNS) runs)"
	./$@ -runs=$(RUNS) $(FUZZ_FLAGS) corpus-$(@:fuzz_%=%) \
	  $(wildcard $(FUZZ_DIR)/../tests/data/fuzz-corpus/$(@:fuzz_%=%))
