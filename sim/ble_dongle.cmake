# The simulated BLE dongle as a library of its own: the simulator, the HB30 tests and the
# BLE benchmark link it. Included by each folder that needs it; defined once.
include_guard(GLOBAL)
add_library(quorvel_ble_dongle STATIC ${CMAKE_CURRENT_LIST_DIR}/ble_dongle.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/ble_options.cpp)
target_link_libraries(quorvel_ble_dongle PUBLIC quorvel_bgapi quorvel_wire Threads::Threads)
