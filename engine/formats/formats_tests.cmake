# Every accepted picture type through the engine, and the readers added for PSD and raw.
# Included at the end of tests/CMakeLists.txt, so paths are relative to tests/.
pictaro_add_test(test_formats engine/tst_formats.cpp pictaro_ui)
target_sources(test_formats PRIVATE engine/KPDngWriter.h engine/KPDngWriter.cpp)
target_compile_definitions(test_formats PRIVATE PICTARO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(test_formats pictaro)
