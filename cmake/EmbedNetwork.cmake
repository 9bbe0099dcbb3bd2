# cmake -DINPUT=NET_FILE -DOUTPUT=SOURCE -P EmbedNetwork.cmake
# Writes SOURCE, the C++ source of EmbeddedNetwork() (strong/embedded_network.h): the bytes of
# NET_FILE, the net built into the program, or none when NET_FILE does not exist. The source is
# rewritten only when it changes, so that an unchanged net compiles nothing again.
if(EXISTS "${INPUT}")
  file(READ "${INPUT}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Lines of 32 bytes.
  string(REGEX REPLACE "((0x..,)(0x..,)(0x..,)(0x..,)(0x..,)(0x..,)(0x..,)(0x..,))" "\\1\n"
         bytes "${bytes}")
  set(origin "${INPUT}")
else()
  set(size 0)
  set(bytes "0")
  set(origin "no net file")
endif()
get_filename_component(origin_name "${origin}" NAME)
file(WRITE "${OUTPUT}.new"
"// Written by cmake/EmbedNetwork.cmake from ${origin_name}: the net built into the program.
#include \"strong/embedded_network.h\"

namespace vardo {
namespace {
alignas(64) const unsigned char NET_BYTES[] = {
${bytes}
};
}  // namespace

std::span<const unsigned char> EmbeddedNetwork() {
    return {NET_BYTES, ${size}};
}

}  // namespace vardo
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")
file(REMOVE "${OUTPUT}.new")
