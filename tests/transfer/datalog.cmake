# Datalog records, CSV files, summary and the read transfers.
quorvel_add_test(test_datalog SOURCES test_datalog_csv.cpp test_datalog_files.cpp
  test_datalog_transfer.cpp
  LIBS quorvel_datalog)
target_compile_definitions(test_datalog PRIVATE
  QUORVEL_DATALOG_GOLDEN="${CMAKE_CURRENT_SOURCE_DIR}/golden")
