#include "host/eagl/webgl_gles1.h"

#include <emscripten/html5_webgl.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "host/eagl/gles.h"

// GL ES 1.1 as far as the toy and the host use it, over WebGL 1: matrix
// stacks, light 0 as a directional light in eye space, materials, the normal
// and vertex client arrays (copied into buffers at each draw), framebuffer
// and renderbuffer objects, and reads in the formats the host asks for. What
// a context does not support here sets GL_INVALID_ENUM or GL_INVALID_OPERATION
// instead of drawing something else. A lost WebGL context that the browser
// gives back is made whole again from what the state records (restore).

// From webgl_backend.js: gives the renderbuffer (kind 0) or framebuffer (1)
// name a new WebGL object of the current context.
extern "C" void paddock_webgl_renew(int kind, GLuint name);

namespace host::webgl_gles1 {
namespace {

// Column-major, as GL keeps them.
struct Matrix {
    float m[16];
};

constexpr Matrix kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
constexpr int kStackDepth = 32;

// a * b, each element summed in column order.
Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix p;
    for (int i = 0; i < 4; ++i) {
        const float ai0 = a.m[i], ai1 = a.m[4 + i], ai2 = a.m[8 + i], ai3 = a.m[12 + i];
        for (int j = 0; j < 4; ++j)
            p.m[j * 4 + i] = ai0 * b.m[j * 4] + ai1 * b.m[j * 4 + 1] + ai2 * b.m[j * 4 + 2] +
                             ai3 * b.m[j * 4 + 3];
    }
    return p;
}

// glRotate's matrix; rotations about one axis get exact zeros and ones.
Matrix rotation(float angle, float x, float y, float z) {
    const double radians = angle * 3.14159265358979323846 / 180.0;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    Matrix r = kIdentity;
    auto at = [&r](int row, int col) -> float& { return r.m[col * 4 + row]; };
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        at(0, 0) = c;
        at(1, 1) = c;
        at(0, 1) = z < 0.0f ? s : -s;
        at(1, 0) = z < 0.0f ? -s : s;
        return r;
    }
    if (x == 0.0f && z == 0.0f && y != 0.0f) {
        at(0, 0) = c;
        at(2, 2) = c;
        at(0, 2) = y < 0.0f ? -s : s;
        at(2, 0) = y < 0.0f ? s : -s;
        return r;
    }
    if (y == 0.0f && z == 0.0f && x != 0.0f) {
        at(1, 1) = c;
        at(2, 2) = c;
        at(1, 2) = x < 0.0f ? s : -s;
        at(2, 1) = x < 0.0f ? -s : s;
        return r;
    }
    const float mag = std::sqrt(x * x + y * y + z * z);
    if (mag <= 1.0e-4f) return r;
    x /= mag;
    y /= mag;
    z /= mag;
    const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
    const float xs = x * s, ys = y * s, zs = z * s, one_c = 1.0f - c;
    at(0, 0) = (one_c * xx) + c;
    at(0, 1) = (one_c * xy) - zs;
    at(0, 2) = (one_c * zx) + ys;
    at(1, 0) = (one_c * xy) + zs;
    at(1, 1) = (one_c * yy) + c;
    at(1, 2) = (one_c * yz) - xs;
    at(2, 0) = (one_c * zx) - ys;
    at(2, 1) = (one_c * yz) + xs;
    at(2, 2) = (one_c * zz) + c;
    return r;
}

// The transpose of the inverse of the upper 3x3, column-major, for normals.
// A singular matrix gives zeros, so lit faces go to their ambient colour.
void normalMatrix(const Matrix& mv, float out[9]) {
    auto a = [&mv](int row, int col) { return static_cast<double>(mv.m[col * 4 + row]); };
    double c[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int r0 = (i + 1) % 3, r1 = (i + 2) % 3, c0 = (j + 1) % 3, c1 = (j + 2) % 3;
            c[i][j] = a(r0, c0) * a(r1, c1) - a(r0, c1) * a(r1, c0);
        }
    const double det = a(0, 0) * c[0][0] + a(0, 1) * c[0][1] + a(0, 2) * c[0][2];
    // inverse(i, j) = cofactor(j, i) / det; its transpose at (i, j) is c[i][j] / det.
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row)
            out[col * 3 + row] = det == 0.0 ? 0.0f : static_cast<float>(c[row][col] / det);
}

void normalize3(float v[3]) {
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len == 0.0f) return;
    v[0] /= len;
    v[1] /= len;
    v[2] /= len;
}

struct ClientArray {
    bool enabled = false;
    GLint size = 3;
    GLsizei stride = 0;
    const void* pointer = nullptr;
};

constexpr const char* kVertexShader = R"(
attribute vec4 a_position;
attribute vec3 a_normal;
uniform mat4 u_mvp;
uniform mat3 u_normal_matrix;
uniform bool u_lighting;
uniform bool u_light0;
// 0: normals as transformed, 1: rescaled, 2: normalized.
uniform int u_normal_mode;
uniform float u_rescale;
uniform vec4 u_color;
uniform vec4 u_scene_color;
uniform vec4 u_ambient_product;
uniform vec4 u_diffuse_product;
uniform vec4 u_specular_product;
uniform vec3 u_light_direction;
uniform vec3 u_half_vector;
uniform float u_shininess;
uniform float u_alpha;
varying vec4 v_color;
void main() {
    gl_Position = u_mvp * a_position;
    gl_PointSize = 1.0;
    if (!u_lighting) {
        v_color = u_color;
        return;
    }
    vec3 n = u_normal_matrix * a_normal;
    if (u_normal_mode == 2) n = normalize(n);
    else if (u_normal_mode == 1) n = n * u_rescale;
    vec4 c = u_scene_color;
    if (u_light0) {
        float nl = dot(n, u_light_direction);
        float nh = max(dot(n, u_half_vector), 0.0);
        float highlight = nl > 0.0 ? (u_shininess == 0.0 ? 1.0 : pow(nh, u_shininess)) : 0.0;
        c = u_ambient_product + c;
        c = highlight * u_specular_product + c;
        c = max(nl, 0.0) * u_diffuse_product + c;
    }
    v_color = vec4(clamp(c.rgb, 0.0, 1.0), u_alpha);
}
)";

// Into a 5-6-5 buffer, each channel is rounded to 8 bits and then cut to 5
// or 6, as Mesa's software rasteriser (the native program's GL) does, rather
// than rounded straight to 5 or 6 bits: the same colour lands on the same
// level. The result is an exact level, which the buffer keeps as it is.
constexpr const char* kFragmentShader = R"(
precision highp float;
uniform bool u_rgb565;
varying vec4 v_color;
void main() {
    vec4 c = v_color;
    if (u_rgb565) {
        vec3 bytes = floor(c.rgb * 255.0 + 0.5);
        c.rgb = floor(bytes / vec3(8.0, 4.0, 8.0)) / vec3(31.0, 63.0, 31.0);
    }
    gl_FragColor = c;
}
)";

enum Uniform {
    uMvp,
    uNormalMatrix,
    uLighting,
    uLight0,
    uNormalMode,
    uRescale,
    uColor,
    uSceneColor,
    uAmbientProduct,
    uDiffuseProduct,
    uSpecularProduct,
    uLightDirection,
    uHalfVector,
    uShininess,
    uAlpha,
    uRgb565,
    kUniforms
};
constexpr const char* kUniformNames[kUniforms] = {"u_mvp",
                                                  "u_normal_matrix",
                                                  "u_lighting",
                                                  "u_light0",
                                                  "u_normal_mode",
                                                  "u_rescale",
                                                  "u_color",
                                                  "u_scene_color",
                                                  "u_ambient_product",
                                                  "u_diffuse_product",
                                                  "u_specular_product",
                                                  "u_light_direction",
                                                  "u_half_vector",
                                                  "u_shininess",
                                                  "u_alpha",
                                                  "u_rgb565"};
constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kNormalAttribute = 1;

}  // namespace

struct State {
    GLenum error = GL_NO_ERROR;
    GLenum matrixMode = GL_MODELVIEW;
    // Modelview, projection, texture; never empty.
    std::vector<Matrix> stacks[3] = {{kIdentity}, {kIdentity}, {kIdentity}};

    bool lighting = false, light0 = false, normalize = false, rescaleNormal = false;
    bool texture2D = false;
    GLfloat lightAmbient[4] = {0, 0, 0, 1};
    GLfloat lightDiffuse[4] = {1, 1, 1, 1};
    GLfloat lightSpecular[4] = {1, 1, 1, 1};
    // In eye space, as given at glLightfv time.
    GLfloat lightPosition[4] = {0, 0, 1, 0};
    GLfloat modelAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    GLfloat materialAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    GLfloat materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    GLfloat materialSpecular[4] = {0, 0, 0, 1};
    GLfloat materialEmission[4] = {0, 0, 0, 1};
    GLfloat shininess = 0;
    GLfloat color[4] = {1, 1, 1, 1};
    GLfloat normal[3] = {0, 0, 1};

    ClientArray vertices, normals;
    GLint packAlignment = 4;
    // Framebuffer objects as the layer made them. Queries are answered from
    // here: asking WebGL waits for the GPU to finish everything sent so far.
    struct Renderbuffer {
        GLenum format = GL_RGBA4_OES;
        GLsizei width = 0, height = 0;
    };
    struct Framebuffer {
        GLuint colour = 0, depth = 0, stencil = 0;
        GLuint* at(GLenum attachment) {
            return attachment == GL_COLOR_ATTACHMENT0_OES    ? &colour
                   : attachment == GL_DEPTH_ATTACHMENT_OES   ? &depth
                   : attachment == GL_STENCIL_ATTACHMENT_OES ? &stencil
                                                             : nullptr;
        }
    };
    std::unordered_map<GLuint, Renderbuffer> renderbuffers;
    std::unordered_map<GLuint, Framebuffer> framebuffers;
    GLuint boundRenderbuffer = 0, boundFramebuffer = 0;
    GLint maxRenderbufferSize = 0;
    // What was handed on to WebGL, to hand on again to a restored context.
    std::unordered_map<GLenum, bool> capabilities;
    GLint viewport[4] = {}, scissor[4] = {};
    GLfloat clearColour[4] = {0, 0, 0, 0};
    GLint unpackAlignment = 4;

    GLuint program = 0;
    GLint uniforms[kUniforms] = {};
    // The client arrays' bytes for each draw, and reads before repacking.
    GLuint buffer = 0;
    std::vector<uint8_t> scratch;

    std::vector<Matrix>& stack() {
        return stacks[matrixMode == GL_MODELVIEW ? 0 : matrixMode == GL_PROJECTION ? 1 : 2];
    }
    Matrix& top() { return stack().back(); }
    void fail(GLenum code) {
        if (error == GL_NO_ERROR) error = code;
    }
};

namespace {

State* current = nullptr;

GLuint compile(GLenum type, const char* source, std::string& why) {
    GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint ok = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[200] = "";
        emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        why = std::string("the lighting shader does not compile: ") + log;
        emscripten_glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// The bound framebuffer's colour attachment's renderbuffer format, or 0.
GLenum colourFormat(State& s) {
    auto fb = s.framebuffers.find(s.boundFramebuffer);
    if (fb == s.framebuffers.end() || fb->second.colour == 0) return 0;
    auto rb = s.renderbuffers.find(fb->second.colour);
    return rb == s.renderbuffers.end() ? 0 : rb->second.format;
}

// What glReadPixels takes besides RGBA bytes: the renderbuffer's own 5-6-5.
bool readsRGB565(State& s) { return colourFormat(s) == GL_RGB565_OES; }

// Bits per component of a renderbuffer format: red, green, blue, alpha, depth.
void componentSizes(GLenum format, GLint sizes[5]) {
    const GLint rgb565[5] = {5, 6, 5, 0, 0}, rgba4[5] = {4, 4, 4, 4, 0},
                rgb5a1[5] = {5, 5, 5, 1, 0}, depth16[5] = {0, 0, 0, 0, 16};
    const GLint* from = format == GL_RGB565_OES              ? rgb565
                        : format == GL_RGB5_A1_OES           ? rgb5a1
                        : format == GL_DEPTH_COMPONENT16_OES ? depth16
                                                             : rgba4;
    std::memcpy(sizes, from, sizeof(GLint) * 5);
}

void upload(State& s) {
    emscripten_glUniform1i(s.uniforms[uRgb565], readsRGB565(s));
    Matrix mvp = multiply(s.stacks[1].back(), s.stacks[0].back());
    emscripten_glUniformMatrix4fv(s.uniforms[uMvp], 1, GL_FALSE, mvp.m);
    emscripten_glUniform1i(s.uniforms[uLighting], s.lighting);
    emscripten_glUniform4fv(s.uniforms[uColor], 1, s.color);
    if (!s.lighting) return;
    float nm[9];
    normalMatrix(s.stacks[0].back(), nm);
    emscripten_glUniformMatrix3fv(s.uniforms[uNormalMatrix], 1, GL_FALSE, nm);
    emscripten_glUniform1i(s.uniforms[uNormalMode], s.normalize ? 2 : s.rescaleNormal ? 1 : 0);
    // Rescaling divides by the length of the inverse's third column.
    const float rescale = std::sqrt(nm[6] * nm[6] + nm[7] * nm[7] + nm[8] * nm[8]);
    emscripten_glUniform1f(s.uniforms[uRescale], rescale == 0.0f ? 1.0f : 1.0f / rescale);
    float scene[4], ambient[4], diffuse[4], specular[4];
    for (int i = 0; i < 4; ++i) {
        scene[i] = s.materialEmission[i] + s.materialAmbient[i] * s.modelAmbient[i];
        ambient[i] = s.materialAmbient[i] * s.lightAmbient[i];
        diffuse[i] = s.materialDiffuse[i] * s.lightDiffuse[i];
        specular[i] = s.materialSpecular[i] * s.lightSpecular[i];
    }
    emscripten_glUniform4fv(s.uniforms[uSceneColor], 1, scene);
    emscripten_glUniform1i(s.uniforms[uLight0], s.light0);
    emscripten_glUniform4fv(s.uniforms[uAmbientProduct], 1, ambient);
    emscripten_glUniform4fv(s.uniforms[uDiffuseProduct], 1, diffuse);
    emscripten_glUniform4fv(s.uniforms[uSpecularProduct], 1, specular);
    // A directional light and a viewer at infinity: both vectors are constant.
    float direction[3] = {s.lightPosition[0], s.lightPosition[1], s.lightPosition[2]};
    normalize3(direction);
    float half[3] = {direction[0], direction[1], direction[2] + 1.0f};
    normalize3(half);
    emscripten_glUniform3fv(s.uniforms[uLightDirection], 1, direction);
    emscripten_glUniform3fv(s.uniforms[uHalfVector], 1, half);
    emscripten_glUniform1f(s.uniforms[uShininess], s.shininess);
    emscripten_glUniform1f(s.uniforms[uAlpha], s.materialDiffuse[3]);
}

// The bytes an array spans over `count` vertices from `first`.
struct Span {
    const uint8_t* start;
    size_t bytes;
};
Span spanOf(const ClientArray& a, GLint first, GLsizei count) {
    const size_t element = static_cast<size_t>(a.size) * sizeof(GLfloat);
    const size_t stride = a.stride ? static_cast<size_t>(a.stride) : element;
    return {static_cast<const uint8_t*>(a.pointer) + stride * static_cast<size_t>(first),
            stride * static_cast<size_t>(count - 1) + element};
}

bool setCapability(State& s, GLenum cap, bool on) {
    switch (cap) {
        case GL_LIGHTING:
            s.lighting = on;
            return true;
        case GL_LIGHT0:
            s.light0 = on;
            return true;
        case GL_NORMALIZE:
            s.normalize = on;
            return true;
        case GL_RESCALE_NORMAL:
            s.rescaleNormal = on;
            return true;
        // Enabled with no texture bound, texturing does nothing: only name 0 binds.
        case GL_TEXTURE_2D:
            s.texture2D = on;
            return true;
        case GL_DEPTH_TEST:
        case GL_CULL_FACE:
        case GL_SCISSOR_TEST:
        case GL_BLEND:
        case GL_DITHER:
        case GL_STENCIL_TEST:
        case GL_POLYGON_OFFSET_FILL:
        case GL_SAMPLE_COVERAGE:
        case GL_SAMPLE_ALPHA_TO_COVERAGE:
            on ? emscripten_glEnable(cap) : emscripten_glDisable(cap);
            s.capabilities[cap] = on;
            return true;
        default:
            // Fixed-function features this layer has not got (fog, alpha test,
            // other lights, colour material...) are off and stay off.
            if (on) s.fail(GL_INVALID_ENUM);
            return false;
    }
}

bool lightColourTarget(State& s, GLenum pname, GLfloat*& target) {
    switch (pname) {
        case GL_AMBIENT:
            target = s.lightAmbient;
            return true;
        case GL_DIFFUSE:
            target = s.lightDiffuse;
            return true;
        case GL_SPECULAR:
            target = s.lightSpecular;
            return true;
        default:
            return false;
    }
}

}  // namespace

namespace {

// The shader and the buffer of a state, made in the WebGL context current now,
// and the WebGL settings the layer keeps.
bool build(State& s, std::string& why) {
    GLuint vs = compile(GL_VERTEX_SHADER, kVertexShader, why);
    if (!vs) return false;
    GLuint fs = compile(GL_FRAGMENT_SHADER, kFragmentShader, why);
    if (!fs) {
        emscripten_glDeleteShader(vs);
        return false;
    }
    GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, vs);
    emscripten_glAttachShader(program, fs);
    emscripten_glBindAttribLocation(program, kPositionAttribute, "a_position");
    emscripten_glBindAttribLocation(program, kNormalAttribute, "a_normal");
    emscripten_glLinkProgram(program);
    emscripten_glDeleteShader(vs);
    emscripten_glDeleteShader(fs);
    GLint linked = 0;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[200] = "";
        emscripten_glGetProgramInfoLog(program, sizeof log, nullptr, log);
        why = std::string("the lighting shader does not link: ") + log;
        emscripten_glDeleteProgram(program);
        return false;
    }
    s.program = program;
    for (int i = 0; i < kUniforms; ++i)
        s.uniforms[i] = emscripten_glGetUniformLocation(program, kUniformNames[i]);
    emscripten_glUseProgram(program);
    emscripten_glGenBuffers(1, &s.buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, s.buffer);
    // Reads come back as RGBA bytes, whose rows are always 4-aligned.
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // A 5-6-5 colour buffer takes the rounded colour, not a dithered one.
    emscripten_glDisable(GL_DITHER);
    emscripten_glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &s.maxRenderbufferSize);
    return true;
}

}  // namespace

State* create(std::string& why) {
    auto* s = new State;
    if (build(*s, why)) {
        emscripten_glGetIntegerv(GL_VIEWPORT, s->viewport);
        emscripten_glGetIntegerv(GL_SCISSOR_BOX, s->scissor);
        return s;
    }
    delete s;
    return nullptr;
}

bool restore(State* state, std::string& why) {
    State& s = *state;
    if (!build(s, why)) return false;
    // The framebuffer objects under their old names, with their storage (its
    // pixels are gone) and attachments.
    for (auto& [name, rb] : s.renderbuffers) {
        paddock_webgl_renew(0, name);
        if (rb.width == 0) continue;
        emscripten_glBindRenderbuffer(GL_RENDERBUFFER, name);
        emscripten_glRenderbufferStorage(GL_RENDERBUFFER, rb.format, rb.width, rb.height);
    }
    for (auto& [name, fb] : s.framebuffers) {
        paddock_webgl_renew(1, name);
        emscripten_glBindFramebuffer(GL_FRAMEBUFFER, name);
        for (GLenum at :
             {GL_COLOR_ATTACHMENT0_OES, GL_DEPTH_ATTACHMENT_OES, GL_STENCIL_ATTACHMENT_OES})
            if (GLuint rb = *fb.at(at))
                emscripten_glFramebufferRenderbuffer(GL_FRAMEBUFFER, at, GL_RENDERBUFFER, rb);
    }
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, s.boundRenderbuffer);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, s.boundFramebuffer);
    for (auto [cap, on] : s.capabilities) on ? emscripten_glEnable(cap) : emscripten_glDisable(cap);
    emscripten_glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    emscripten_glScissor(s.scissor[0], s.scissor[1], s.scissor[2], s.scissor[3]);
    emscripten_glClearColor(s.clearColour[0], s.clearColour[1], s.clearColour[2], s.clearColour[3]);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, s.unpackAlignment);
    return true;
}

void destroy(State* state) {
    if (current == state) current = nullptr;
    delete state;
}

void makeCurrent(State* state) { current = state; }

Proc procAddress(const char* name) {
    struct Entry {
        const char* name;
        Proc proc;
    };
    static const Entry entries[] = {
        {"glIsRenderbufferOES", reinterpret_cast<Proc>(&glIsRenderbufferOES)},
        {"glBindRenderbufferOES", reinterpret_cast<Proc>(&glBindRenderbufferOES)},
        {"glDeleteRenderbuffersOES", reinterpret_cast<Proc>(&glDeleteRenderbuffersOES)},
        {"glGenRenderbuffersOES", reinterpret_cast<Proc>(&glGenRenderbuffersOES)},
        {"glRenderbufferStorageOES", reinterpret_cast<Proc>(&glRenderbufferStorageOES)},
        {"glGetRenderbufferParameterivOES",
         reinterpret_cast<Proc>(&glGetRenderbufferParameterivOES)},
        {"glIsFramebufferOES", reinterpret_cast<Proc>(&glIsFramebufferOES)},
        {"glBindFramebufferOES", reinterpret_cast<Proc>(&glBindFramebufferOES)},
        {"glDeleteFramebuffersOES", reinterpret_cast<Proc>(&glDeleteFramebuffersOES)},
        {"glGenFramebuffersOES", reinterpret_cast<Proc>(&glGenFramebuffersOES)},
        {"glCheckFramebufferStatusOES", reinterpret_cast<Proc>(&glCheckFramebufferStatusOES)},
        {"glFramebufferRenderbufferOES", reinterpret_cast<Proc>(&glFramebufferRenderbufferOES)},
        {"glGetFramebufferAttachmentParameterivOES",
         reinterpret_cast<Proc>(&glGetFramebufferAttachmentParameterivOES)},
    };
    for (const Entry& e : entries)
        if (name && std::strcmp(name, e.name) == 0) return e.proc;
    return nullptr;
}

}  // namespace host::webgl_gles1

// The GL entry points below act on the current context's state.
using namespace host::webgl_gles1;

extern "C" {

// Errors, state and queries.

GL_API GLenum GL_APIENTRY glGetError(void) {
    if (!current) return GL_NO_ERROR;
    GLenum error = current->error;
    current->error = GL_NO_ERROR;
    return error != GL_NO_ERROR ? error : emscripten_glGetError();
}

GL_API const GLubyte* GL_APIENTRY glGetString(GLenum name) {
    if (!current) return nullptr;
    const char* text = nullptr;
    switch (name) {
        case GL_VENDOR:
            text = "Paddock";
            break;
        case GL_RENDERER:
            text = "GL ES 1.1 over WebGL 1";
            break;
        case GL_VERSION:
            text = "OpenGL ES-CM 1.1 (over WebGL 1)";
            break;
        case GL_EXTENSIONS:
            text = "GL_OES_framebuffer_object GL_EXT_read_format_bgra";
            break;
        default:
            current->fail(GL_INVALID_ENUM);
    }
    return reinterpret_cast<const GLubyte*>(text);
}

GL_API void GL_APIENTRY glGetIntegerv(GLenum pname, GLint* params) {
    if (!current) return;
    State& s = *current;
    switch (pname) {
        case GL_PACK_ALIGNMENT:
            *params = s.packAlignment;
            return;
        case GL_MATRIX_MODE:
            *params = static_cast<GLint>(s.matrixMode);
            return;
        case GL_MODELVIEW_STACK_DEPTH:
            *params = static_cast<GLint>(s.stacks[0].size());
            return;
        case GL_PROJECTION_STACK_DEPTH:
            *params = static_cast<GLint>(s.stacks[1].size());
            return;
        case GL_TEXTURE_STACK_DEPTH:
            *params = static_cast<GLint>(s.stacks[2].size());
            return;
        case GL_MAX_MODELVIEW_STACK_DEPTH:
        case GL_MAX_PROJECTION_STACK_DEPTH:
        case GL_MAX_TEXTURE_STACK_DEPTH:
            *params = kStackDepth;
            return;
        case GL_MAX_LIGHTS:
            *params = 1;
            return;
        case GL_RENDERBUFFER_BINDING_OES:
            *params = static_cast<GLint>(s.boundRenderbuffer);
            return;
        case GL_FRAMEBUFFER_BINDING_OES:
            *params = static_cast<GLint>(s.boundFramebuffer);
            return;
        case GL_MAX_RENDERBUFFER_SIZE_OES:
            *params = s.maxRenderbufferSize;
            return;
        case GL_IMPLEMENTATION_COLOR_READ_FORMAT_OES:
            *params = readsRGB565(s) ? GL_RGB : GL_RGBA;
            return;
        case GL_IMPLEMENTATION_COLOR_READ_TYPE_OES:
            *params = readsRGB565(s) ? GL_UNSIGNED_SHORT_5_6_5 : GL_UNSIGNED_BYTE;
            return;
        default:
            // Bindings, sizes, viewport and the like are WebGL's own.
            emscripten_glGetIntegerv(pname, params);
    }
}

GL_API void GL_APIENTRY glEnable(GLenum cap) {
    if (current) setCapability(*current, cap, true);
}
GL_API void GL_APIENTRY glDisable(GLenum cap) {
    if (current) setCapability(*current, cap, false);
}

GL_API void GL_APIENTRY glShadeModel(GLenum mode) {
    if (!current) return;
    // Colours are interpolated: flat shading is not offered.
    if (mode != GL_SMOOTH) current->fail(mode == GL_FLAT ? GL_INVALID_OPERATION : GL_INVALID_ENUM);
}

GL_API void GL_APIENTRY glBindTexture(GLenum target, GLuint texture) {
    if (!current) return;
    if (target != GL_TEXTURE_2D)
        current->fail(GL_INVALID_ENUM);
    else if (texture != 0)
        current->fail(GL_INVALID_OPERATION);
}

GL_API void GL_APIENTRY glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    if (!current) return;
    emscripten_glClearColor(r, g, b, a);
    const GLfloat colour[4] = {r, g, b, a};
    std::memcpy(current->clearColour, colour, sizeof colour);
}
GL_API void GL_APIENTRY glClear(GLbitfield mask) {
    if (current) emscripten_glClear(mask);
}
GL_API void GL_APIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (!current) return;
    if (width < 0 || height < 0) return current->fail(GL_INVALID_VALUE);
    emscripten_glViewport(x, y, width, height);
    const GLint box[4] = {x, y, width, height};
    std::memcpy(current->viewport, box, sizeof box);
}
GL_API void GL_APIENTRY glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (!current) return;
    if (width < 0 || height < 0) return current->fail(GL_INVALID_VALUE);
    emscripten_glScissor(x, y, width, height);
    const GLint box[4] = {x, y, width, height};
    std::memcpy(current->scissor, box, sizeof box);
}
GL_API void GL_APIENTRY glFinish(void) {
    if (current) emscripten_glFinish();
}

// Matrices.

GL_API void GL_APIENTRY glMatrixMode(GLenum mode) {
    if (!current) return;
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION || mode == GL_TEXTURE)
        current->matrixMode = mode;
    else
        current->fail(GL_INVALID_ENUM);
}
GL_API void GL_APIENTRY glLoadIdentity(void) {
    if (current) current->top() = kIdentity;
}
GL_API void GL_APIENTRY glLoadMatrixf(const GLfloat* m) {
    if (current) std::memcpy(current->top().m, m, sizeof(GLfloat) * 16);
}
GL_API void GL_APIENTRY glMultMatrixf(const GLfloat* m) {
    if (!current) return;
    Matrix b;
    std::memcpy(b.m, m, sizeof b.m);
    current->top() = multiply(current->top(), b);
}
GL_API void GL_APIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    if (!current) return;
    GLfloat* m = current->top().m;
    for (int i = 0; i < 4; ++i) m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
}
GL_API void GL_APIENTRY glScalef(GLfloat x, GLfloat y, GLfloat z) {
    if (!current) return;
    GLfloat* m = current->top().m;
    for (int i = 0; i < 4; ++i) {
        m[i] *= x;
        m[4 + i] *= y;
        m[8 + i] *= z;
    }
}
GL_API void GL_APIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    if (!current) return;
    current->top() = multiply(current->top(), rotation(angle, x, y, z));
}
GL_API void GL_APIENTRY glPushMatrix(void) {
    if (!current) return;
    auto& stack = current->stack();
    if (stack.size() >= static_cast<size_t>(kStackDepth))
        current->fail(GL_STACK_OVERFLOW);
    else
        stack.push_back(stack.back());
}
GL_API void GL_APIENTRY glPopMatrix(void) {
    if (!current) return;
    auto& stack = current->stack();
    if (stack.size() <= 1)
        current->fail(GL_STACK_UNDERFLOW);
    else
        stack.pop_back();
}

// Lighting and materials.

GL_API void GL_APIENTRY glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    if (!current) return;
    State& s = *current;
    if (light != GL_LIGHT0) {
        s.fail(light > GL_LIGHT0 && light <= GL_LIGHT7 ? GL_INVALID_OPERATION : GL_INVALID_ENUM);
        return;
    }
    GLfloat* target = nullptr;
    if (lightColourTarget(s, pname, target)) {
        std::memcpy(target, params, sizeof(GLfloat) * 4);
        return;
    }
    if (pname != GL_POSITION) {
        // Spot lights and attenuation are not offered.
        s.fail(GL_INVALID_ENUM);
        return;
    }
    // Only a directional light (w = 0) is lit here.
    if (params[3] != 0.0f) {
        s.fail(GL_INVALID_OPERATION);
        return;
    }
    const GLfloat* m = s.stacks[0].back().m;
    for (int i = 0; i < 4; ++i)
        s.lightPosition[i] =
            m[i] * params[0] + m[4 + i] * params[1] + m[8 + i] * params[2] + m[12 + i] * params[3];
}

GL_API void GL_APIENTRY glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    if (!current) return;
    State& s = *current;
    if (face != GL_FRONT_AND_BACK) {
        s.fail(GL_INVALID_ENUM);
        return;
    }
    switch (pname) {
        case GL_AMBIENT:
            std::memcpy(s.materialAmbient, params, sizeof s.materialAmbient);
            return;
        case GL_DIFFUSE:
            std::memcpy(s.materialDiffuse, params, sizeof s.materialDiffuse);
            return;
        case GL_AMBIENT_AND_DIFFUSE:
            std::memcpy(s.materialAmbient, params, sizeof s.materialAmbient);
            std::memcpy(s.materialDiffuse, params, sizeof s.materialDiffuse);
            return;
        case GL_SPECULAR:
            std::memcpy(s.materialSpecular, params, sizeof s.materialSpecular);
            return;
        case GL_EMISSION:
            std::memcpy(s.materialEmission, params, sizeof s.materialEmission);
            return;
        case GL_SHININESS:
            if (params[0] < 0.0f || params[0] > 128.0f)
                s.fail(GL_INVALID_VALUE);
            else
                s.shininess = params[0];
            return;
        default:
            s.fail(GL_INVALID_ENUM);
    }
}

GL_API void GL_APIENTRY glMaterialf(GLenum face, GLenum pname, GLfloat param) {
    if (!current) return;
    if (pname != GL_SHININESS) {
        current->fail(GL_INVALID_ENUM);
        return;
    }
    glMaterialfv(face, pname, &param);
}

// Client arrays and drawing.

GL_API void GL_APIENTRY glEnableClientState(GLenum array) {
    if (!current) return;
    if (array == GL_VERTEX_ARRAY)
        current->vertices.enabled = true;
    else if (array == GL_NORMAL_ARRAY)
        current->normals.enabled = true;
    else
        // Colour, texture-coordinate and point-size arrays are not offered.
        current->fail(GL_INVALID_ENUM);
}
GL_API void GL_APIENTRY glDisableClientState(GLenum array) {
    if (!current) return;
    if (array == GL_VERTEX_ARRAY)
        current->vertices.enabled = false;
    else if (array == GL_NORMAL_ARRAY)
        current->normals.enabled = false;
    else if (array != GL_COLOR_ARRAY && array != GL_TEXTURE_COORD_ARRAY)
        current->fail(GL_INVALID_ENUM);
}

GL_API void GL_APIENTRY glVertexPointer(GLint size, GLenum type, GLsizei stride,
                                        const void* pointer) {
    if (!current) return;
    if (size < 2 || size > 4 || stride < 0) return current->fail(GL_INVALID_VALUE);
    // Only float arrays are copied across.
    if (type != GL_FLOAT) return current->fail(GL_INVALID_ENUM);
    current->vertices.size = size;
    current->vertices.stride = stride;
    current->vertices.pointer = pointer;
}
GL_API void GL_APIENTRY glNormalPointer(GLenum type, GLsizei stride, const void* pointer) {
    if (!current) return;
    if (stride < 0) return current->fail(GL_INVALID_VALUE);
    if (type != GL_FLOAT) return current->fail(GL_INVALID_ENUM);
    current->normals.size = 3;
    current->normals.stride = stride;
    current->normals.pointer = pointer;
}

GL_API void GL_APIENTRY glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    if (!current) return;
    State& s = *current;
    if (first < 0 || count < 0) return s.fail(GL_INVALID_VALUE);
    if (mode > GL_TRIANGLE_FAN) return s.fail(GL_INVALID_ENUM);
    if (count == 0 || !s.vertices.enabled || !s.vertices.pointer) return;
    const bool withNormals = s.lighting && s.normals.enabled && s.normals.pointer;

    // One buffer holds every byte the arrays span for these vertices: the
    // interleaved model's arrays overlap, so that is one copy.
    auto v = spanOf(s.vertices, first, count);
    const uint8_t* lo = v.start;
    const uint8_t* hi = v.start + v.bytes;
    if (withNormals) {
        auto n = spanOf(s.normals, first, count);
        // Arrays far apart are copied as two runs with nothing between.
        if (n.start + n.bytes < lo || n.start > hi) {
            const size_t total = v.bytes + n.bytes;
            s.scratch.resize(total);
            std::memcpy(s.scratch.data(), v.start, v.bytes);
            std::memcpy(s.scratch.data() + v.bytes, n.start, n.bytes);
            emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(total),
                                    s.scratch.data(), GL_STREAM_DRAW);
            emscripten_glVertexAttribPointer(kPositionAttribute, s.vertices.size, GL_FLOAT,
                                             GL_FALSE, s.vertices.stride, nullptr);
            emscripten_glVertexAttribPointer(kNormalAttribute, 3, GL_FLOAT, GL_FALSE,
                                             s.normals.stride,
                                             reinterpret_cast<const void*>(v.bytes));
            lo = nullptr;
        } else {
            lo = std::min(lo, n.start);
            hi = std::max(hi, n.start + n.bytes);
            emscripten_glVertexAttribPointer(kNormalAttribute, 3, GL_FLOAT, GL_FALSE,
                                             s.normals.stride,
                                             reinterpret_cast<const void*>(n.start - lo));
        }
        emscripten_glEnableVertexAttribArray(kNormalAttribute);
    } else {
        emscripten_glDisableVertexAttribArray(kNormalAttribute);
        emscripten_glVertexAttrib3f(kNormalAttribute, s.normal[0], s.normal[1], s.normal[2]);
    }
    if (lo) {
        emscripten_glBufferData(GL_ARRAY_BUFFER, hi - lo, lo, GL_STREAM_DRAW);
        emscripten_glVertexAttribPointer(kPositionAttribute, s.vertices.size, GL_FLOAT, GL_FALSE,
                                         s.vertices.stride,
                                         reinterpret_cast<const void*>(v.start - lo));
    }
    emscripten_glEnableVertexAttribArray(kPositionAttribute);
    upload(s);
    emscripten_glDrawArrays(mode, 0, count);
}

// Pixels.

GL_API void GL_APIENTRY glPixelStorei(GLenum pname, GLint param) {
    if (!current) return;
    if (param != 1 && param != 2 && param != 4 && param != 8)
        return current->fail(GL_INVALID_VALUE);
    if (pname == GL_PACK_ALIGNMENT)
        current->packAlignment = param;
    else if (pname == GL_UNPACK_ALIGNMENT)
        emscripten_glPixelStorei(pname, current->unpackAlignment = param);
    else
        current->fail(GL_INVALID_ENUM);
}

GL_API void GL_APIENTRY glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                                     GLenum type, void* pixels) {
    if (!current) return;
    State& s = *current;
    if (width < 0 || height < 0) return s.fail(GL_INVALID_VALUE);
    const bool rgba = format == GL_RGBA && type == GL_UNSIGNED_BYTE;
    const bool bgra = format == GL_BGRA_EXT && type == GL_UNSIGNED_BYTE;
    const bool rgb565 = format == GL_RGB && type == GL_UNSIGNED_SHORT_5_6_5;
    if (!rgba && !bgra && !rgb565) return s.fail(GL_INVALID_ENUM);
    if (rgb565 && !readsRGB565(s)) return s.fail(GL_INVALID_OPERATION);
    // A lost context reads nothing; the caller's memory stays as it was.
    if (width == 0 || height == 0 ||
        emscripten_is_webgl_context_lost(emscripten_webgl_get_current_context()))
        return;

    // WebGL reads RGBA bytes, bottom row first as GL does; repack each row at
    // the caller's alignment.
    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    s.scratch.resize(w * h * 4);
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, s.scratch.data());
    const size_t bpp = rgb565 ? 2 : 4;
    const size_t align = static_cast<size_t>(s.packAlignment);
    const size_t rowBytes = (w * bpp + align - 1) / align * align;
    auto* out = static_cast<uint8_t*>(pixels);
    for (size_t row = 0; row < h; ++row) {
        const uint8_t* src = s.scratch.data() + row * w * 4;
        uint8_t* dst = out + row * rowBytes;
        if (rgba) {
            std::memcpy(dst, src, w * 4);
            continue;
        }
        for (size_t i = 0; i < w; ++i, src += 4) {
            if (bgra) {
                dst[i * 4] = src[2];
                dst[i * 4 + 1] = src[1];
                dst[i * 4 + 2] = src[0];
                dst[i * 4 + 3] = src[3];
                continue;
            }
            // Rounded to the nearest level; a 5-6-5 buffer read back as bytes
            // comes back to its own levels exactly.
            const uint16_t r = static_cast<uint16_t>((src[0] * 31 + 127) / 255);
            const uint16_t g = static_cast<uint16_t>((src[1] * 63 + 127) / 255);
            const uint16_t b = static_cast<uint16_t>((src[2] * 31 + 127) / 255);
            const uint16_t p = static_cast<uint16_t>(r << 11 | g << 5 | b);
            std::memcpy(dst + i * 2, &p, 2);
        }
    }
}

// Framebuffer and renderbuffer objects: WebGL's own, under the OES names, with
// the layer's records of them. Only names made by glGen* are bound here.

GL_API GLboolean GL_APIENTRY glIsRenderbufferOES(GLuint renderbuffer) {
    return current && renderbuffer && current->renderbuffers.count(renderbuffer) ? GL_TRUE
                                                                                 : GL_FALSE;
}
GL_API void GL_APIENTRY glGenRenderbuffersOES(GLsizei n, GLuint* renderbuffers) {
    if (!current) return;
    if (n < 0) return current->fail(GL_INVALID_VALUE);
    emscripten_glGenRenderbuffers(n, renderbuffers);
    for (GLsizei i = 0; i < n; ++i) current->renderbuffers[renderbuffers[i]] = {};
}
GL_API void GL_APIENTRY glBindRenderbufferOES(GLenum target, GLuint renderbuffer) {
    if (!current) return;
    State& s = *current;
    if (target != GL_RENDERBUFFER_OES) return s.fail(GL_INVALID_ENUM);
    if (renderbuffer && !s.renderbuffers.count(renderbuffer)) return s.fail(GL_INVALID_OPERATION);
    emscripten_glBindRenderbuffer(target, renderbuffer);
    s.boundRenderbuffer = renderbuffer;
}
GL_API void GL_APIENTRY glDeleteRenderbuffersOES(GLsizei n, const GLuint* renderbuffers) {
    if (!current) return;
    State& s = *current;
    if (n < 0) return s.fail(GL_INVALID_VALUE);
    emscripten_glDeleteRenderbuffers(n, renderbuffers);
    for (GLsizei i = 0; i < n; ++i) {
        const GLuint name = renderbuffers[i];
        if (!name || !s.renderbuffers.erase(name)) continue;
        // As GL does: unbound, and detached from the bound framebuffer.
        if (s.boundRenderbuffer == name) s.boundRenderbuffer = 0;
        auto fb = s.framebuffers.find(s.boundFramebuffer);
        if (fb == s.framebuffers.end()) continue;
        for (GLuint* at : {&fb->second.colour, &fb->second.depth, &fb->second.stencil})
            if (*at == name) *at = 0;
    }
}
GL_API void GL_APIENTRY glRenderbufferStorageOES(GLenum target, GLenum internalformat,
                                                 GLsizei width, GLsizei height) {
    if (!current) return;
    State& s = *current;
    // WebGL 1 has no 8-bit-per-channel renderbuffers.
    if (target != GL_RENDERBUFFER_OES ||
        (internalformat != GL_RGB565_OES && internalformat != GL_RGBA4_OES &&
         internalformat != GL_RGB5_A1_OES && internalformat != GL_DEPTH_COMPONENT16_OES))
        return s.fail(GL_INVALID_ENUM);
    if (width < 0 || height < 0 || width > s.maxRenderbufferSize || height > s.maxRenderbufferSize)
        return s.fail(GL_INVALID_VALUE);
    if (!s.boundRenderbuffer) return s.fail(GL_INVALID_OPERATION);
    emscripten_glRenderbufferStorage(target, internalformat, width, height);
    s.renderbuffers[s.boundRenderbuffer] = {internalformat, width, height};
}
GL_API void GL_APIENTRY glGetRenderbufferParameterivOES(GLenum target, GLenum pname,
                                                        GLint* params) {
    if (!current) return;
    State& s = *current;
    if (target != GL_RENDERBUFFER_OES) return s.fail(GL_INVALID_ENUM);
    if (!s.boundRenderbuffer) return s.fail(GL_INVALID_OPERATION);
    const State::Renderbuffer& rb = s.renderbuffers[s.boundRenderbuffer];
    GLint sizes[5];
    componentSizes(rb.format, sizes);
    switch (pname) {
        case GL_RENDERBUFFER_WIDTH_OES:
            *params = rb.width;
            return;
        case GL_RENDERBUFFER_HEIGHT_OES:
            *params = rb.height;
            return;
        case GL_RENDERBUFFER_INTERNAL_FORMAT_OES:
            *params = static_cast<GLint>(rb.format);
            return;
        case GL_RENDERBUFFER_RED_SIZE_OES:
            *params = sizes[0];
            return;
        case GL_RENDERBUFFER_GREEN_SIZE_OES:
            *params = sizes[1];
            return;
        case GL_RENDERBUFFER_BLUE_SIZE_OES:
            *params = sizes[2];
            return;
        case GL_RENDERBUFFER_ALPHA_SIZE_OES:
            *params = sizes[3];
            return;
        case GL_RENDERBUFFER_DEPTH_SIZE_OES:
            *params = sizes[4];
            return;
        case GL_RENDERBUFFER_STENCIL_SIZE_OES:
            *params = 0;
            return;
        default:
            s.fail(GL_INVALID_ENUM);
    }
}
GL_API GLboolean GL_APIENTRY glIsFramebufferOES(GLuint framebuffer) {
    return current && framebuffer && current->framebuffers.count(framebuffer) ? GL_TRUE : GL_FALSE;
}
GL_API void GL_APIENTRY glGenFramebuffersOES(GLsizei n, GLuint* framebuffers) {
    if (!current) return;
    if (n < 0) return current->fail(GL_INVALID_VALUE);
    emscripten_glGenFramebuffers(n, framebuffers);
    for (GLsizei i = 0; i < n; ++i) current->framebuffers[framebuffers[i]] = {};
}
GL_API void GL_APIENTRY glBindFramebufferOES(GLenum target, GLuint framebuffer) {
    if (!current) return;
    State& s = *current;
    if (target != GL_FRAMEBUFFER_OES) return s.fail(GL_INVALID_ENUM);
    if (framebuffer && !s.framebuffers.count(framebuffer)) return s.fail(GL_INVALID_OPERATION);
    emscripten_glBindFramebuffer(target, framebuffer);
    s.boundFramebuffer = framebuffer;
}
GL_API void GL_APIENTRY glDeleteFramebuffersOES(GLsizei n, const GLuint* framebuffers) {
    if (!current) return;
    State& s = *current;
    if (n < 0) return s.fail(GL_INVALID_VALUE);
    emscripten_glDeleteFramebuffers(n, framebuffers);
    for (GLsizei i = 0; i < n; ++i) {
        if (!framebuffers[i] || !s.framebuffers.erase(framebuffers[i])) continue;
        if (s.boundFramebuffer == framebuffers[i]) s.boundFramebuffer = 0;
    }
}
GL_API GLenum GL_APIENTRY glCheckFramebufferStatusOES(GLenum target) {
    return current ? emscripten_glCheckFramebufferStatus(target) : 0;
}
GL_API void GL_APIENTRY glFramebufferRenderbufferOES(GLenum target, GLenum attachment,
                                                     GLenum renderbuffertarget,
                                                     GLuint renderbuffer) {
    if (!current) return;
    State& s = *current;
    auto fb = s.framebuffers.find(s.boundFramebuffer);
    GLuint* at = fb == s.framebuffers.end() ? nullptr : fb->second.at(attachment);
    if (target != GL_FRAMEBUFFER_OES || renderbuffertarget != GL_RENDERBUFFER_OES ||
        (fb != s.framebuffers.end() && !at))
        return s.fail(GL_INVALID_ENUM);
    if (!at || (renderbuffer && !s.renderbuffers.count(renderbuffer)))
        return s.fail(GL_INVALID_OPERATION);
    emscripten_glFramebufferRenderbuffer(target, attachment, renderbuffertarget, renderbuffer);
    *at = renderbuffer;
}
GL_API void GL_APIENTRY glGetFramebufferAttachmentParameterivOES(GLenum target, GLenum attachment,
                                                                 GLenum pname, GLint* params) {
    if (!current) return;
    State& s = *current;
    auto fb = s.framebuffers.find(s.boundFramebuffer);
    GLuint* at = fb == s.framebuffers.end() ? nullptr : fb->second.at(attachment);
    if (target != GL_FRAMEBUFFER_OES || (fb != s.framebuffers.end() && !at))
        return s.fail(GL_INVALID_ENUM);
    if (!at) return s.fail(GL_INVALID_OPERATION);
    if (pname == GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_OES)
        *params = *at ? GL_RENDERBUFFER_OES : GL_NONE_OES;
    else if (pname == GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_OES && *at)
        *params = static_cast<GLint>(*at);
    else
        s.fail(GL_INVALID_ENUM);
}

}  // extern "C"
