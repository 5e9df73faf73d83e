# The window-free unit tests that build for this machine, by their path
# below tests/ without ".cpp". Each becomes its own program and ctest.
set(KOLVEX_NATIVE_TESTS
  utility/url_test
  utility/http_wire_test
  utility/sha256_test
  utility/signature_rules_test
  utility/resume_record_test
  model/version_answer_test
  model/game_answer_test
  model/game_handover_test
  model/launch_params_test
  model/download_rules_test
  ui/skin/seven_zip_test
  skinui/xml_document_test
  skinui/layout_test
  skinui/markup_edit_test
  skinui/focus_order_test
  ui/text/string_bundle_test
  ui/folder_choice_test
  ui/progress_texts_test)
