#include "model/gllist.h"

void glInterleavedArraysExt(GLenum /*format*/, GLsizei stride, const GLvoid* pointer) {
    const GLsizei s = stride != 0 ? stride : 6 * sizeof(float);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, s, pointer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, s, static_cast<const char*>(pointer) + 3 * sizeof(float));
}

void draw_gllist(const gllist* list) {
    for (; list != nullptr; list = list->next) {
        glInterleavedArraysExt(list->format, 0, list->data);
        glDrawArrays(list->primitive, 0, list->points);
    }
}
