# For testing frameworks that build engines with make (OpenBench: make EXE=PATH): builds the
# Release engine with CMake and puts it at $(EXE). Everything else goes through CMake directly.
EXE ?= vardo
BUILD_DIR ?= build-make
JOBS ?= 2

.PHONY: all clean
all:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DVARDO_TESTS=OFF -DCMAKE_CXX_COMPILER=$(CXX)
	cmake --build $(BUILD_DIR) --target vardo -j $(JOBS)
	@mkdir -p "$(dir $(EXE))"
	cp $(BUILD_DIR)/vardo "$(EXE)"

clean:
	rm -rf $(BUILD_DIR)
