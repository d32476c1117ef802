# SPDX-License-Identifier: GPL-3.0-or-later
# The word lists: generated at build time from Debian's scowl lists by a small host
# tool, then carried as the resources :/TEXT_DEMO (the dictionary's 15-byte records)
# and :/words/starters.txt (the round starters, one word a line).

set(VORLIX_SCOWL_DIR /usr/share/dict/scowl CACHE PATH "Folder of Debian's scowl word lists")
if(NOT EXISTS ${VORLIX_SCOWL_DIR}/english-words.10)
  message(FATAL_ERROR "scowl word lists not found in ${VORLIX_SCOWL_DIR}: install the Debian package scowl")
endif()

# A plain C++ host tool: no Qt, so it runs anywhere the build does.
# The generator runs during the build: a cross build takes the build
# machine's own, from VORLIX_HOST_TOOLS (a build of this project for the host).
if(CMAKE_CROSSCOMPILING)
  find_program(VORLIX_WORDGEN wordgen PATHS ${VORLIX_HOST_TOOLS} NO_DEFAULT_PATH REQUIRED)
  set(_wordgen ${VORLIX_WORDGEN})
else()
  add_executable(wordgen ${CMAKE_CURRENT_LIST_DIR}/wordgen.cpp)
  set_target_properties(wordgen PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
  set(_wordgen wordgen)
endif()

set(_wordlist_dir ${CMAKE_CURRENT_BINARY_DIR}/wordlist)
set(_wordlist_records ${_wordlist_dir}/TEXT_DEMO)
set(_wordlist_starters ${_wordlist_dir}/words/starters.txt)

set(_scowl_inputs)
foreach(_list english-words american-words british-words)
  foreach(_size 10 20 35 40 50 55 60 70)
    list(APPEND _scowl_inputs ${VORLIX_SCOWL_DIR}/${_list}.${_size})
  endforeach()
endforeach()

add_custom_command(
  OUTPUT ${_wordlist_records} ${_wordlist_starters}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_wordlist_dir}/words
  COMMAND ${_wordgen} ${VORLIX_SCOWL_DIR} ${_wordlist_records} ${_wordlist_starters}
  DEPENDS ${_wordgen} ${_scowl_inputs}
  COMMENT "Generating the word lists from scowl"
  VERBATIM)
set_source_files_properties(${_wordlist_records} ${_wordlist_starters} PROPERTIES GENERATED TRUE)

qt_add_resources(resources wordlists
  PREFIX /
  BASE ${_wordlist_dir}
  FILES ${_wordlist_records} ${_wordlist_starters})

target_sources(resources PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/wordlists.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wordlists.h)
target_include_directories(resources PUBLIC ${CMAKE_CURRENT_LIST_DIR})
