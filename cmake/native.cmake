# Linux build: the pure logic under GoogleTest with AddressSanitizer and UBSan.
set(TEMBRA_SANITIZERS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

file(GLOB TEMBRA_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*_test.cpp)
add_executable(native_tests ${TEMBRA_NATIVE_TESTS} ${TEMBRA_PURE_SOURCES} bench/bench_stats.cpp)
target_include_directories(native_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(native_tests PRIVATE -Wall -Wextra -Werror ${TEMBRA_SANITIZERS})
target_link_options(native_tests PRIVATE ${TEMBRA_SANITIZERS})
target_link_libraries(native_tests PRIVATE gtest_main)
gtest_discover_tests(native_tests TEST_PREFIX "native." DISCOVERY_TIMEOUT 60)

# The bridge's request fuzzer: Debian's clang with libFuzzer, ASan and UBSan over the pure
# bridge code. Built with every native build and run for a bounded time as a test case.
find_program(TEMBRA_CLANGXX NAMES clang++ REQUIRED)
set(TEMBRA_FUZZ_SOURCES tests/fuzz/bridge_request_fuzz.cpp bridge/connection.cpp bridge/request_parsing.cpp
    bridge/response_text.cpp bridge/routes.cpp log/log_line.cpp)
list(TRANSFORM TEMBRA_FUZZ_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE TEMBRA_FUZZ_PATHS)
set(TEMBRA_FUZZER ${CMAKE_BINARY_DIR}/bin/bridge_request_fuzz)
add_custom_command(
  OUTPUT ${TEMBRA_FUZZER}
  COMMAND ${TEMBRA_CLANGXX} -std=c++17 -g -O1 -Wall -Wextra -Werror -I${CMAKE_SOURCE_DIR}
          -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all ${TEMBRA_FUZZ_PATHS} -o ${TEMBRA_FUZZER}
  DEPENDS ${TEMBRA_FUZZ_PATHS} ${CMAKE_SOURCE_DIR}/bridge/connection.h ${CMAKE_SOURCE_DIR}/bridge/request_parsing.h
          ${CMAKE_SOURCE_DIR}/bridge/response_text.h ${CMAKE_SOURCE_DIR}/bridge/routes.h
          ${CMAKE_SOURCE_DIR}/core/bridge_command.h ${CMAKE_SOURCE_DIR}/log/byte_text.h ${CMAKE_SOURCE_DIR}/log/log_line.h
          ${CMAKE_SOURCE_DIR}/native/game_addresses.h
  COMMENT "Building the bridge request fuzzer with clang")
add_custom_target(bridge_request_fuzz ALL DEPENDS ${TEMBRA_FUZZER})
# New inputs go to a corpus in the build tree; the seeds of real requests in the repository are
# only read. A crash leaves its input in the build tree and fails the test.
set(TEMBRA_FUZZ_WORK ${CMAKE_BINARY_DIR}/fuzz)
add_test(NAME native.fuzz.bridge_request
         COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1
                 ${TEMBRA_FUZZER} -max_total_time=30 -timeout=10 -rss_limit_mb=1024 -print_final_stats=1
                 -artifact_prefix=${TEMBRA_FUZZ_WORK}/ ${TEMBRA_FUZZ_WORK}/corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/bridge_corpus)
set_tests_properties(native.fuzz.bridge_request PROPERTIES TIMEOUT 120)
file(MAKE_DIRECTORY ${TEMBRA_FUZZ_WORK}/corpus)
# The pages' side of the bridge benchmark (tools/bench.sh): a Linux client, optimised and without
# sanitizers, so the client is never what limits the figures.
add_executable(bridge_client bench/bridge_client.cpp bench/bench_stats.cpp)
target_include_directories(bridge_client PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(bridge_client PRIVATE -O2 -Wall -Wextra -Werror)
target_link_libraries(bridge_client PRIVATE pthread)
set_target_properties(bridge_client PROPERTIES EXCLUDE_FROM_ALL TRUE)
# The module's includes against the README's folder picture.
add_test(NAME native.layers COMMAND bash ${CMAKE_SOURCE_DIR}/tests/sources/check_layers.sh ${CMAKE_SOURCE_DIR})
