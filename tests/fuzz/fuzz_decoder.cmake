# The decoder on arbitrary streams, held call for call against the plain decoder of bench/,
# and the encoder's round trip of the same bytes.
lzsfx_fuzz_target(fuzz_decoder
  SOURCES fuzz_decoder.cpp ${PROJECT_SOURCE_DIR}/bench/plain_decoder.cpp
  DEPENDS lzsfx_lzhuf)
if(TARGET fuzz_decoder)
  target_include_directories(fuzz_decoder PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/bench)
endif()
