#pragma once
// The optional GL extensions the renderer can use, detected once after the
// GL context exists. Every feature has a plain OpenGL 1.x fallback, so a
// missing one only changes which path is drawn.

#include <string_view>

struct GlFeatures {
  bool generate_mipmap = false;     // GL_SGIS_generate_mipmap: ground picture mip levels
  bool framebuffer_object = false;  // GL_EXT_framebuffer_object
  bool multitexture = false;        // GL_ARB_multitexture
  bool vertex_shader = false;       // GL_ARB_vertex_shader
  bool fragment_shader = false;     // GL_ARB_fragment_shader
  int texture_units = 1;            // GL_MAX_TEXTURE_UNITS_ARB with multitexturing
};

// What the GL offers, and what is in use after the settings switched
// features off. Program-run lifetime; set by detect_gl_features.
extern GlFeatures gl_features_detected;
extern GlFeatures gl_features;

// True when `name` is one whole space-delimited token of `extensions`
// (a longer name that merely starts with it does not count).
bool has_gl_extension(std::string_view extensions, std::string_view name);

// Reads and logs the GL strings ("GL_VENDOR: %s" ..., "NULL" for a missing
// one), detects the features (logging "%d texture units" with
// multitexturing), then clears generate-mipmap when `ground_mipmaps` is
// off, frame buffer objects when `use_fbo` is off and both shader flags
// when `use_shader` is off.
void detect_gl_features(bool ground_mipmaps, bool use_fbo, bool use_shader);
