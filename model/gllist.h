#pragma once

#include <GLES/gl.h>

#include <cstdint>

// One record of a model part: an interleaved vertex array and how to draw it.
struct gllist {
    uint32_t format;     // 42: normal (3 floats) then position (3 floats); never handed to GL
    GLenum primitive;    // mode for glDrawArrays
    int32_t points;      // vertices to draw, a multiple of 3 for triangles
    const float* data;   // points * 6 floats
    const gllist* next;  // the part's next record, or null
};

// The first record of each part of the cow.
extern const gllist* const cow_face;
extern const gllist* const cow_hide;
extern const gllist* const cow_hoofs;
extern const gllist* const cow_horns;
extern const gllist* const cow_tail;
extern const gllist* const cow_udder;

// The six part heads in drawing order; the index picks the part's material.
extern const gllist* const* const all_objs[6];

// Sets the normal and vertex arrays for the normal-then-position layout and
// turns the texture-coordinate and colour arrays off. A stride of 0 means 24;
// the format code is not looked at.
void glInterleavedArraysExt(GLenum format, GLsizei stride, const GLvoid* pointer);

// Draws every record of a part's list in order; a null list draws nothing.
void draw_gllist(const gllist* list);
