#pragma once
// The renderer's working values: derived from the graphics settings once
// at start-up (derive_render_settings, app/config.h), then overridden for
// this run by command-line options. Read by the ground, model, scenery and
// roost drawing.

struct RenderSettings {
  // Ground geometric detail threshold (screen-space error); smaller draws
  // more triangles. From "Ground Geometric Detail" or --detail.
  float ground_detail_threshold = 0.0025f;
  // Mipmap levels skipped when loading ground textures, 0..10
  // (--ground-texture-detail: 0..4).
  int ground_texture_levels_dropped = 1;
  // Side of one ground texture tile in pixels, 32..1024.
  int ground_texture_size = 128;
  // Model level-of-detail scale and bias (distance scaling of the model
  // detail levels).
  float model_lod_scale = 1.0f;
  float model_lod_bias = 30.0f;
  // Mipmap levels skipped when loading model textures, 0..10
  // (--texture-detail: 0..4).
  int model_texture_levels_dropped = 1;
  // Roost particle budget per wheel and step, 0..1000 (hundredths).
  int roost_frequency = 250;
  // How much landing roost carries ground away, 0..1 (--erode); 0 leaves
  // the terrain untouched.
  float erode = 0.0f;
  // Ground detail distances in feet: full detail up to the first, fading
  // out to the second (--max-detail-distance d gives d and d + 5).
  float max_detail_distance = 70.0f;
  float outer_detail_distance = 75.0f;
};
