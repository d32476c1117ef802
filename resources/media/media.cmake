# SPDX-License-Identifier: GPL-3.0-or-later
# The board's sounds as Qt resources ":/sounds/<name>.wav". The WAV files are
# made by make_sounds.sh beside this file and committed.
file(GLOB vorlix_sound_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/sounds/*.wav)
qt_add_resources(resources "vorlix_media"
  PREFIX "/"
  BASE "${CMAKE_CURRENT_LIST_DIR}"
  FILES ${vorlix_sound_files})
