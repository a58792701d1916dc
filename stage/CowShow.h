#pragma once

#include "gl/EAGLView.h"
#include "scene/cow_scene.h"

// The cow show's own steps, in one place: the stage's frame tick and start of
// a show use them, and so do the headless tools (cowshow, frame_bench), which
// drive a show without the rest of the stage.
class CowShow {
  public:
    // A new scene record for a stage of width x height points, set up as the
    // stage sets it up when it is made. Freed with free_cow_scene.
    static cow_scene* makeScene(int width, int height);
    // Sets the scene up for a new show: the first bounce, from the top.
    static void start(cow_scene* bp, int width, int height);
    // One frame's GL work: clear, draw the cow, present it into the GL
    // view's layer. The frame clears before the view's context is made
    // current: nothing else in the process makes a context current.
    static void drawFrame(cow_scene* bp, EAGLView* glView);
    // Whether the show is over: the eighth floor contact has passed.
    static bool isOver();
};
