# MinGW builds: the module (32-bit product or 64-bit test build) and the programs that run it.
set(TEMBRA_MODULE_SOURCES
  ${TEMBRA_PURE_SOURCES}
  bridge/request_handler.cpp
  bridge/server_thread.cpp
  core/command_executor.cpp
  core/command_queue.cpp
  core/exports.cpp
  core/frame_tick.cpp
  core/game_window.cpp
  core/lifecycle.cpp
  core/plugin_state.cpp
  keyboard/esc_requests.cpp
  keyboard/hook_proc.cpp
  keyboard/hook_thread.cpp
  log/executable_directory.cpp
  log/log_file.cpp
  log/wide_text.cpp
  native/bindings.cpp
  native/fault_guard.cpp
  native/game_access.cpp
  native/game_settings.cpp
  native/layout_check.cpp
  native/native_map.cpp
  native/state_document.cpp
  screens/browser_reports.cpp
  screens/browser_set.cpp
  screens/loading_screen.cpp
  screens/pause_menu.cpp
  screens/pause_page.cpp
)

set(TEMBRA_WARNINGS -Wall -Wextra -Werror)

# Everything of the module but its entry point, so test programs can link the same code.
add_library(tembra_module STATIC ${TEMBRA_MODULE_SOURCES})
target_include_directories(tembra_module PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(tembra_module PUBLIC
  _WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(tembra_module PRIVATE ${TEMBRA_WARNINGS})
target_link_libraries(tembra_module PUBLIC ws2_32)

# The module itself. The runtime is linked in so the game needs no MinGW DLLs; the .def file
# exports exactly the host's seven entry points.
add_library(TembraUI SHARED core/dll_main.cpp core/TembraUI.def)
set_target_properties(TembraUI PROPERTIES PREFIX "" OUTPUT_NAME TembraUI)
target_compile_options(TembraUI PRIVATE ${TEMBRA_WARNINGS})
target_link_libraries(TembraUI PRIVATE tembra_module)
target_link_options(TembraUI PRIVATE -static -static-libgcc -static-libstdc++)

# The simulated host and game, shared by the test programs and the main job.
add_library(tembra_sim STATIC
  sim/bridge_client.cpp
  sim/fake_clock.cpp
  sim/game_window.cpp
  sim/module_under_test.cpp
  sim/page_traffic.cpp
  sim/process_metrics.cpp
  sim/real_input.cpp
  sim/sim_game.cpp
  sim/sim_host.cpp
  sim/stress_rig.cpp
)
# Debian's JSON header, for checking the bridge's answers; alone in a folder of its own, since
# the cross compiler must not see the rest of the host's headers.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host-headers)
file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/host-headers/nlohmann SYMBOLIC)
target_include_directories(tembra_sim PUBLIC ${CMAKE_SOURCE_DIR})
target_include_directories(tembra_sim SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/host-headers)
target_compile_definitions(tembra_sim PUBLIC _WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE NOMINMAX)
target_compile_options(tembra_sim PRIVATE ${TEMBRA_WARNINGS})
target_link_libraries(tembra_sim PUBLIC user32 ws2_32)
add_dependencies(tembra_sim TembraUI foreign_window)

# Another program's window for the keyboard tests, placed next to the test programs.
add_executable(foreign_window sim/foreign_window_main.cpp)
target_compile_options(foreign_window PRIVATE ${TEMBRA_WARNINGS})
target_link_options(foreign_window PRIVATE -static)

# Like the game, the simulated game's image sits at 0x400000 and is never relocated.
# The game's address range 0x401000-0xCA0000 is the simulated game's memory section
# (sim/sim_game.cpp), so the program's own code starts above it.
set(TEMBRA_GAME_IMAGE_OPTIONS -static -Wl,--image-base=0x400000 -Wl,--disable-dynamicbase
    -Wl,--section-start=.gamemem=0x401000 -Wl,--section-start=.text=0xCA0000)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  list(APPEND TEMBRA_GAME_IMAGE_OPTIONS -Wl,--disable-high-entropy-va)
endif()

function(tembra_wine_tests target)
  target_link_libraries(${target} PRIVATE gtest_main)
  target_compile_options(${target} PRIVATE ${TEMBRA_WARNINGS})
  target_link_options(${target} PRIVATE ${TEMBRA_GAME_IMAGE_OPTIONS})
  # Discovery at test time, so each test runs in its own fresh game process under Wine. Only
  # the 64-bit build has Wine on this host; the 32-bit programs run in the emulated machine.
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    gtest_discover_tests(${target} TEST_PREFIX "${target}." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES TIMEOUT 60)
  endif()
endfunction()

# The module's own code linked into a test program: its internals under real Windows calls.
file(GLOB TEMBRA_MODULE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/module/*_test.cpp)
add_executable(module_tests ${TEMBRA_MODULE_TESTS} tests/module/failing_allocations.cpp sim/bridge_client.cpp
                            sim/fake_clock.cpp sim/game_window.cpp
                            sim/module_under_test.cpp sim/real_input.cpp sim/sim_game.cpp
                            sim/sim_host.cpp)
add_dependencies(module_tests foreign_window)
target_link_libraries(module_tests PRIVATE tembra_module user32)
tembra_wine_tests(module_tests)

# The DLL loaded by the simulated host and game, driven through its exports.
file(GLOB TEMBRA_INTEGRATION_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/integration/*_test.cpp)
add_executable(integration_tests ${TEMBRA_INTEGRATION_TESTS})
target_link_libraries(integration_tests PRIVATE tembra_sim)
tembra_wine_tests(integration_tests)

# A game process at another image base (the 32-bit default would be the game's own).
add_executable(other_game sim/other_game_main.cpp)
target_link_libraries(other_game PRIVATE tembra_sim)
target_compile_options(other_game PRIVATE ${TEMBRA_WARNINGS})
target_link_options(other_game PRIVATE -static -Wl,--image-base=0x1AB00000 -Wl,--disable-dynamicbase)
add_dependencies(module_tests other_game)
add_dependencies(integration_tests other_game)

# The stress scenarios that run only in the stress command (tools/stress.sh), each a whole
# situation of seconds to minutes; the ones that also run in every test lane are integration tests.
file(GLOB TEMBRA_STRESS_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/stress/*_test.cpp)
add_executable(stress_tests ${TEMBRA_STRESS_TESTS})
target_link_libraries(stress_tests PRIVATE tembra_sim gtest_main)
target_compile_options(stress_tests PRIVATE ${TEMBRA_WARNINGS})
target_link_options(stress_tests PRIVATE ${TEMBRA_GAME_IMAGE_OPTIONS})

# The main job: the module running in the simulated game until interrupted.
add_executable(simgame sim/simgame_main.cpp sim/event_feed.cpp sim/player_controls.cpp)
target_link_libraries(simgame PRIVATE tembra_sim)
target_compile_options(simgame PRIVATE ${TEMBRA_WARNINGS})
target_link_options(simgame PRIVATE ${TEMBRA_GAME_IMAGE_OPTIONS})

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_test(NAME product.pe COMMAND bash ${CMAKE_SOURCE_DIR}/tests/pe/check_product_pe.sh $<TARGET_FILE:TembraUI>)
  add_test(NAME product.game_calls COMMAND bash ${CMAKE_SOURCE_DIR}/tests/pe/check_game_calls.sh $<TARGET_FILE:TembraUI>)
endif()

# Linux clients against the module inside the simulated game under wine64: curl and a raw TCP
# client, and headless Chromium with pages on several origins (tests/browser).
if(CMAKE_CROSSCOMPILING_EMULATOR)
  foreach(script bridge_clients bridge_cors)
    add_test(NAME linux_clients.${script}
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/browser/run-with-simgame.sh ${script}.mjs)
    set_tests_properties(linux_clients.${script} PROPERTIES TIMEOUT 240)
  endforeach()
endif()

# The benchmark (tools/bench.sh): the module's code linked into a program that runs it inside the
# simulated game and measures it beside its floor. 64-bit only, like every program run on this host.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  add_executable(bench bench/bench_main.cpp bench/bench_game.cpp bench/bench_stats.cpp
                       bench/bridge_bench.cpp bench/build_parts_bench.cpp bench/frame_tick_bench.cpp
                       bench/import_counter.cpp bench/keyboard_hook_bench.cpp
                       bench/request_parts_bench.cpp bench/state_document_bench.cpp)
  target_link_libraries(bench PRIVATE tembra_module tembra_sim)
  target_compile_options(bench PRIVATE ${TEMBRA_WARNINGS})
  target_link_options(bench PRIVATE ${TEMBRA_GAME_IMAGE_OPTIONS})
  # The floor of the bridge's requests per second: a plain Winsock server in the same Wine.
  add_executable(floor_server bench/floor_server_main.cpp)
  target_link_libraries(floor_server PRIVATE ws2_32)
  target_compile_options(floor_server PRIVATE ${TEMBRA_WARNINGS})
  target_link_options(floor_server PRIVATE -static)
endif()
