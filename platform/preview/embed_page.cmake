# Writes the page into a C++ source file as one raw string literal.
file(READ ${INPUT} page)
string(FIND "${page}" ")PAGE\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the literal's closing sequence")
endif()
file(WRITE ${OUTPUT} "#include \"preview/preview_page.hpp\"\n\nnamespace preview {\n\n"
     "const std::string_view kPreviewPage = R\"PAGE(${page})PAGE\";\n\n}  // namespace preview\n")
