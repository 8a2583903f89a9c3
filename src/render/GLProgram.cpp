#define GL_GLEXT_PROTOTYPES 1
#include "render/GLProgram.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <vector>

namespace fw {

namespace {

GLuint compiled(GLenum type, const char* text, const char* what, std::string& error) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length > 1 ? length : 1));
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    error = std::string("the ") + what + (type == GL_VERTEX_SHADER ? " vertex program" : " fragment program") +
            " does not compile: " + log.data();
    glDeleteShader(shader);
    return 0;
}

}  // namespace

unsigned linkedProgram(const char* vertexText, const char* fragmentText, const char* what, std::string& error) {
    GLuint vertex = compiled(GL_VERTEX_SHADER, vertexText, what, error);
    if (!vertex) return 0;
    GLuint fragment = compiled(GL_FRAGMENT_SHADER, fragmentText, what, error);
    if (!fragment) {
        glDeleteShader(vertex);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok) return program;
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length > 1 ? length : 1));
    glGetProgramInfoLog(program, length, nullptr, log.data());
    error = std::string("the ") + what + " program does not link: " + log.data();
    glDeleteProgram(program);
    return 0;
}

}  // namespace fw
