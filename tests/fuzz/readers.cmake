# The program's readers of outside input and what they build on: the
# sources that compile for this machine as they are (the fuzz targets and
# the native unit tests build from this one list).
set(KOLVEX_READER_SOURCES
  utility/url.cpp
  utility/http_wire.cpp
  utility/resume_record.cpp
  utility/text.cpp
  model/version_answer.cpp
  model/game_answer.cpp
  model/game_handover.cpp
  model/launch_params.cpp
  ui/skin/seven_zip.cpp
  ui/skin/crc32.cpp
  skinui/xml_document.cpp
  skinui/attribute_parse.cpp
  skinui/markup.cpp
  skinui/multi_language.cpp
  skinui/control.cpp
  skinui/containers.cpp
  skinui/controls.cpp
  skinui/edit_ui.cpp
  skinui/layout_builder.cpp
  skinui/scale.cpp
  ui/text/string_bundle.cpp
)
list(TRANSFORM KOLVEX_READER_SOURCES PREPEND ${KOLVEX_SOURCE}/)
