#pragma once
// Connects the renderer to the track load: textures by name, the texture
// generations and purge, the ground renderer's set-up and release. Called
// by the game once its window and GL context exist; until then (and in
// every headless program) a track loads without textures or ground.

void install_render_hooks();

// Clears the hooks again (before the GL context goes away).
void remove_render_hooks();
