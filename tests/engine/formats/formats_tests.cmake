# tests/CMakeLists.txt includes this path relative to tests/; the tests of the picture
# readers are kept with the readers.
include(${PROJECT_SOURCE_DIR}/engine/formats/formats_tests.cmake)
