// Extension names count only as whole tokens of the extensions string.

#include "render/gl_features.h"

#include <gtest/gtest.h>

namespace {

TEST(GlFeatures, ExtensionsMatchOnlyWholeTokens) {
  const struct {
    const char* extensions;
    const char* name;
    bool found;
  } cases[] = {
      {"GL_ARB_multitexture GL_EXT_foo", "GL_ARB_multitexture", true},
      {"GL_EXT_foo GL_ARB_multitexture", "GL_ARB_multitexture", true},
      {"GL_EXT_foo GL_ARB_multitexture GL_EXT_bar", "GL_ARB_multitexture", true},
      {"GL_ARB_multitexture_extended", "GL_ARB_multitexture", false},
      {"XGL_ARB_multitexture", "GL_ARB_multitexture", false},
      {"GL_ARB_multitexture_extended GL_ARB_multitexture", "GL_ARB_multitexture", true},
      {"", "GL_ARB_multitexture", false},
      {"GL_ARB_multitexture", "", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(has_gl_extension(c.extensions, c.name), c.found)
        << "'" << c.name << "' in '" << c.extensions << "'";
}

}  // namespace
