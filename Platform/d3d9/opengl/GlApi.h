// The OpenGL entry points the OpenGL device calls, loaded through SDL from
// whichever GL library SDL opened for the window (libGL, or EGL with GLES),
// so the library needs no link-time dependency on either.
//
// The list is the common part of OpenGL 3.3 core and OpenGL ES 3.0 that the
// device uses; nothing outside both is called.
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLAPI_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLAPI_H

#include <SDL_opengl.h>

namespace kes::d3d9::gl {

// X(return type, name without "gl", parameter list)
#define KESTO_GL_FUNCTIONS(X)                                                                                       \
    X(const GLubyte*, GetString, (GLenum name))                                                                     \
    X(GLenum, GetError, ())                                                                                         \
    X(void, GetIntegerv, (GLenum pname, GLint * data))                                                              \
    X(void, Viewport, (GLint x, GLint y, GLsizei w, GLsizei h))                                                     \
    X(void, ClearColor, (GLfloat r, GLfloat g, GLfloat b, GLfloat a))                                               \
    X(void, Clear, (GLbitfield mask))                                                                               \
    X(void, ColorMask, (GLboolean r, GLboolean g, GLboolean b, GLboolean a))                                        \
    X(void, Enable, (GLenum cap))                                                                                   \
    X(void, Disable, (GLenum cap))                                                                                  \
    X(void, BlendFunc, (GLenum src, GLenum dst))                                                                    \
    X(void, CullFace, (GLenum mode))                                                                                \
    X(void, FrontFace, (GLenum mode))                                                                               \
    X(void, Finish, ())                                                                                             \
    X(void, GenTextures, (GLsizei n, GLuint * textures))                                                            \
    X(void, DeleteTextures, (GLsizei n, const GLuint* textures))                                                    \
    X(void, BindTexture, (GLenum target, GLuint texture))                                                           \
    X(void, ActiveTexture, (GLenum unit))                                                                           \
    X(void, TexParameteri, (GLenum target, GLenum pname, GLint param))                                              \
    X(void, TexImage2D,                                                                                             \
      (GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border, GLenum format, GLenum type,  \
       const void* pixels))                                                                                         \
    X(void, TexSubImage2D,                                                                                          \
      (GLenum target, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type,              \
       const void* pixels))                                                                                         \
    X(void, PixelStorei, (GLenum pname, GLint param))                                                               \
    X(void, ReadPixels, (GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void* pixels))         \
    X(void, GenBuffers, (GLsizei n, GLuint * buffers))                                                              \
    X(void, DeleteBuffers, (GLsizei n, const GLuint* buffers))                                                      \
    X(void, BindBuffer, (GLenum target, GLuint buffer))                                                             \
    X(void, BufferData, (GLenum target, GLsizeiptr size, const void* data, GLenum usage))                           \
    X(void, BufferSubData, (GLenum target, GLintptr offset, GLsizeiptr size, const void* data))                     \
    X(void, GenVertexArrays, (GLsizei n, GLuint * arrays))                                                          \
    X(void, DeleteVertexArrays, (GLsizei n, const GLuint* arrays))                                                  \
    X(void, BindVertexArray, (GLuint array))                                                                        \
    X(void, EnableVertexAttribArray, (GLuint index))                                                                \
    X(void, VertexAttribPointer,                                                                                    \
      (GLuint index, GLint size, GLenum type, GLboolean normalized, GLsizei stride, const void* offset))             \
    X(void, DrawArrays, (GLenum mode, GLint first, GLsizei count))                                                  \
    X(GLuint, CreateShader, (GLenum type))                                                                          \
    X(void, ShaderSource, (GLuint shader, GLsizei count, const GLchar* const* text, const GLint* length))            \
    X(void, CompileShader, (GLuint shader))                                                                         \
    X(void, GetShaderiv, (GLuint shader, GLenum pname, GLint * value))                                              \
    X(void, GetShaderInfoLog, (GLuint shader, GLsizei size, GLsizei * length, GLchar * log))                        \
    X(void, DeleteShader, (GLuint shader))                                                                          \
    X(GLuint, CreateProgram, ())                                                                                    \
    X(void, AttachShader, (GLuint program, GLuint shader))                                                          \
    X(void, BindAttribLocation, (GLuint program, GLuint index, const GLchar* name))                                 \
    X(void, LinkProgram, (GLuint program))                                                                          \
    X(void, GetProgramiv, (GLuint program, GLenum pname, GLint * value))                                            \
    X(void, GetProgramInfoLog, (GLuint program, GLsizei size, GLsizei * length, GLchar * log))                      \
    X(void, DeleteProgram, (GLuint program))                                                                        \
    X(void, UseProgram, (GLuint program))                                                                           \
    X(GLint, GetUniformLocation, (GLuint program, const GLchar* name))                                              \
    X(void, Uniform1i, (GLint location, GLint v))                                                                   \
    X(void, Uniform1f, (GLint location, GLfloat v))                                                                 \
    X(void, Uniform2f, (GLint location, GLfloat x, GLfloat y))                                                      \
    X(void, Uniform4f, (GLint location, GLfloat x, GLfloat y, GLfloat z, GLfloat w))                                \
    X(void, GenFramebuffers, (GLsizei n, GLuint * framebuffers))                                                    \
    X(void, DeleteFramebuffers, (GLsizei n, const GLuint* framebuffers))                                            \
    X(void, BindFramebuffer, (GLenum target, GLuint framebuffer))                                                   \
    X(void, FramebufferTexture2D, (GLenum target, GLenum attachment, GLenum textarget, GLuint texture, GLint level)) \
    X(GLenum, CheckFramebufferStatus, (GLenum target))                                                              \
    X(void, BlitFramebuffer,                                                                                        \
      (GLint sx0, GLint sy0, GLint sx1, GLint sy1, GLint dx0, GLint dy0, GLint dx1, GLint dy1, GLbitfield mask,     \
       GLenum filter))

struct Api {
#define KESTO_GL_MEMBER(ret, name, params) ret(APIENTRY* name) params = nullptr;
    KESTO_GL_FUNCTIONS(KESTO_GL_MEMBER)
#undef KESTO_GL_MEMBER

    // OpenGL 4.5's glClipControl, null where the context is older (or GLES):
    // with it, a window's framebuffer takes rows the Direct3D way up.
    void(APIENTRY* ClipControl)(GLenum origin, GLenum depth) = nullptr;
    // Desktop OpenGL's glMultiDrawArrays, null on GLES (where it is an
    // extension the device does without).
    void(APIENTRY* MultiDrawArrays)(GLenum mode, const GLint* first, const GLsizei* count, GLsizei n) = nullptr;

    // Fills the table from the current context. False, naming the first
    // missing function in `missing`, when the library lacks one.
    bool Load(const char** missing);
};

} // namespace kes::d3d9::gl

#endif
