# The build folder of ./dev lint (included after project()): clang-tidy needs the
# compile commands and the files moc and uic make, which the global `autogen`
# target makes without building first the libraries each target links, as CMake
# does by default (and its platform files set that default over the cache's).
set(CMAKE_GLOBAL_AUTOGEN_TARGET ON)
set(CMAKE_AUTOGEN_ORIGIN_DEPENDS OFF)
