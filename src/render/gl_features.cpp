#include "render/gl_features.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "platform/log.h"

GlFeatures gl_features_detected;
GlFeatures gl_features;

bool has_gl_extension(std::string_view extensions, std::string_view name) {
  if (name.empty()) return false;
  for (std::size_t at = extensions.find(name); at != std::string_view::npos;
       at = extensions.find(name, at + 1)) {
    const std::size_t end = at + name.size();
    bool starts = at == 0 || extensions[at - 1] == ' ';
    bool ends = end == extensions.size() || extensions[end] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

void detect_gl_features(bool ground_mipmaps, bool use_fbo, bool use_shader) {
  auto text = [](GLenum name) {
    const GLubyte* s = glGetString(name);
    return s ? reinterpret_cast<const char*>(s) : "NULL";
  };
  korb_log("GL_VENDOR: %s\n", text(GL_VENDOR));
  korb_log("GL_RENDERER: %s\n", text(GL_RENDERER));
  korb_log("GL_VERSION: %s\n", text(GL_VERSION));
  korb_log("GL_EXTENSIONS: %s\n", text(GL_EXTENSIONS));

  const GLubyte* raw = glGetString(GL_EXTENSIONS);
  std::string_view extensions = raw ? reinterpret_cast<const char*>(raw) : "";
  GlFeatures f;
  f.generate_mipmap = has_gl_extension(extensions, "GL_SGIS_generate_mipmap");
  f.framebuffer_object = has_gl_extension(extensions, "GL_EXT_framebuffer_object");
  f.multitexture = has_gl_extension(extensions, "GL_ARB_multitexture");
  f.vertex_shader = has_gl_extension(extensions, "GL_ARB_vertex_shader");
  f.fragment_shader = has_gl_extension(extensions, "GL_ARB_fragment_shader");
  if (f.multitexture) {
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
    f.texture_units = units > 0 ? units : 1;
    korb_log("%d texture units\n", f.texture_units);
  }
  gl_features_detected = f;
  if (!ground_mipmaps) f.generate_mipmap = false;
  if (!use_fbo) f.framebuffer_object = false;
  if (!use_shader) f.vertex_shader = f.fragment_shader = false;
  gl_features = f;
}
