# Datalog records, CSV files, summary and the read transfers.
quorvel_add_test(test_datalog SOURCES test_datalog_csv.cpp test_datalog_files.cpp
  test_datalog_transfer.cpp test_datalog_chart.cpp
  LIBS quorvel_datalog)
target_compile_definitions(test_datalog PRIVATE
  QUORVEL_DATALOG_GOLDEN="${CMAKE_CURRENT_SOURCE_DIR}/golden")

# The datalog dialog against the simulator.
if(QUORVEL_GUI AND TARGET quorvel-sim)
  quorvel_add_test(test_datalog_dialog
    SOURCES test_datalog_dialog.cpp ${CMAKE_SOURCE_DIR}/tests/app/qt_main_env.cpp
    LIBS quorvel_datalog_ui quorvel_sim_fixture quorvel_client_environment Qt6::Test)
  add_dependencies(test_datalog_dialog quorvel-sim Z9hb10_Comm)
endif()
