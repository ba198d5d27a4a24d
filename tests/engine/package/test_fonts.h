// Small font programs made for the tests of font trimming.
#ifndef VEXLO_TESTS_ENGINE_PACKAGE_TEST_FONTS_H_
#define VEXLO_TESTS_ENGINE_PACKAGE_TEST_FONTS_H_

#include <cstddef>
#include <string>
#include <vector>

namespace vexlo::engine::test {

// A TrueType program of five glyphs as the office subsets one: code c shows glyph c (1 to 4)
// through a (1,0) subtable, and through a (3,0) subtable at 0xF000 + c when `symbol_map`.
// Glyph 2 is made of glyph 1. Advances: 500, 610, then 620 for the rest (three long metrics).
// `extra_tables` are added empty (tags of four letters).
std::string TestTrueType(bool symbol_map = false, const std::vector<std::string>& extra_tables = {});

// A Type 1 program as the office writes one: codes 1 and 2 for the glyphs cid100 and cid200.
std::string TestType1(std::size_t* clear_length, std::size_t* encrypted_length);

}  // namespace vexlo::engine::test

#endif  // VEXLO_TESTS_ENGINE_PACKAGE_TEST_FONTS_H_
