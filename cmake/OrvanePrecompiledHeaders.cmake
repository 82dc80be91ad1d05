# Precompiled headers: the standard and Qt headers most sources include are parsed once a
# build, not once a source. Every target compiled against Qt reuses one of two precompiled
# sets, made by the targets orvane_pch (for the programs and libraries) and orvane_test_pch
# (for the tests, built with their lower optimisation). GCC takes a precompiled set only when
# it was made with the options and macros of the source that uses it, so the two are made with
# what every such target shares: Qt Core's macros, position-independent code and the folder's
# options; a set it cannot take shows as a -Winvalid-pch warning, never as a wrong build.
# Included after every folder, so it sees every target.

option(ORVANE_PCH "Precompile the common standard and Qt headers" ON)
if(NOT ORVANE_PCH OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  return()
endif()

set(ORVANE_PCH_HEADERS
  <algorithm> <array> <functional> <map> <memory> <optional> <string> <vector>
  <QApplication> <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QFile> <QFileInfo> <QLabel>
  <QLineEdit> <QPushButton> <QString> <QStringList> <QTemporaryDir> <QTimer>)

function(orvane_pch_host name)
  add_library(${name} OBJECT ${CMAKE_CURRENT_LIST_DIR}/PrecompiledHeaders.cpp)
  target_precompile_headers(${name} PRIVATE ${ORVANE_PCH_HEADERS})
  target_compile_definitions(${name} PRIVATE $<TARGET_PROPERTY:Qt6::Core,INTERFACE_COMPILE_DEFINITIONS>)
  foreach(module Core Gui Widgets)
    target_include_directories(${name} SYSTEM PRIVATE $<TARGET_PROPERTY:Qt6::${module},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()
orvane_pch_host(orvane_pch)
orvane_pch_host(orvane_test_pch)
target_compile_options(orvane_test_pch PRIVATE ${ORVANE_TEST_COMPILE_OPTIONS})

# Whether a target is compiled against Qt: Qt is among the libraries it links, or among the
# usage requirements those pass on.
function(orvane_compiles_against_qt target result)
  get_target_property(type ${target} TYPE)
  set(libraries)
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(libraries ${target} LINK_LIBRARIES)
  endif()
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  foreach(library IN LISTS libraries interface)
    if(library MATCHES "^Qt6::")
      set(${result} TRUE PARENT_SCOPE)
      return()
    endif()
    if(TARGET ${library} AND NOT library IN_LIST ORVANE_PCH_SEEN)
      list(APPEND ORVANE_PCH_SEEN ${library})
      get_target_property(imported ${library} IMPORTED)
      if(NOT imported)
        orvane_compiles_against_qt(${library} found)
        if(found)
          set(${result} TRUE PARENT_SCOPE)
          return()
        endif()
      endif()
    endif()
  endforeach()
  set(${result} FALSE PARENT_SCOPE)
endfunction()

function(orvane_targets_below folder result)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(folders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(sub ${folders})
    orvane_targets_below(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${result} ${targets} PARENT_SCOPE)
endfunction()

orvane_targets_below(${CMAKE_SOURCE_DIR} targets)
foreach(target ${targets})
  get_target_property(type ${target} TYPE)
  if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY)$")
    continue()
  endif()
  set(ORVANE_PCH_SEEN)
  orvane_compiles_against_qt(${target} qt)
  if(qt)
    get_target_property(test ${target} ORVANE_TEST)
    if(test)
      target_precompile_headers(${target} REUSE_FROM orvane_test_pch)
    else()
      target_precompile_headers(${target} REUSE_FROM orvane_pch)
    endif()
  endif()
endforeach()
