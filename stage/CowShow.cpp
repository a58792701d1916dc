#include "stage/CowShow.h"

#include <cstdlib>

cow_scene* CowShow::makeScene(int width, int height) {
    auto* bp = static_cast<cow_scene*>(std::calloc(1, sizeof(cow_scene)));
    speed = 0.2f;
    init_cow(bp, width, height, 1);
    return bp;
}

void CowShow::start(cow_scene* bp, int width, int height) {
    inc = 0.1f;
    count = 1.0f;
    speed = 0.2f;
    init_cow(bp, width, height, 0);
}

void CowShow::drawFrame(cow_scene* bp, EAGLView* glView) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    if (glView) glView->setCurrentContext();
    draw_cow(bp);
    if (glView) glView->swapBuffers();
}

bool CowShow::isOver() { return count > 8.0f; }
