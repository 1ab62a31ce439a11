# Linux build: the pure logic under GoogleTest with AddressSanitizer and UBSan.
set(TEMBRA_SANITIZERS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

file(GLOB TEMBRA_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*_test.cpp)
add_executable(native_tests ${TEMBRA_NATIVE_TESTS} ${TEMBRA_PURE_SOURCES} tests/bench/bench_stats.cpp)
target_include_directories(native_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(native_tests PRIVATE -Wall -Wextra -Werror ${TEMBRA_SANITIZERS})
target_link_options(native_tests PRIVATE ${TEMBRA_SANITIZERS})
target_link_libraries(native_tests PRIVATE gtest_main)
gtest_discover_tests(native_tests TEST_PREFIX "native." DISCOVERY_TIMEOUT 60)

# The pages' side of the bridge benchmark (tools/bench.sh): a Linux client, optimised and without
# sanitizers, so the client is never what limits the figures.
add_executable(bridge_client tests/bench/bridge_client.cpp tests/bench/bench_stats.cpp)
target_include_directories(bridge_client PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(bridge_client PRIVATE -O2 -Wall -Wextra -Werror)
target_link_libraries(bridge_client PRIVATE pthread)
set_target_properties(bridge_client PROPERTIES EXCLUDE_FROM_ALL TRUE)
