#define GL_GLEXT_PROTOTYPES 1
#include "render/LightingProgram.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <vector>

namespace fw {

const char* const LightingProgram::kVertexText = R"(#version 120
const int NUM_LIGHTS = 8;
uniform mat4 modelview_matrix;
uniform mat4 normal_matrix;
uniform int light_types[NUM_LIGHTS];
varying vec3 normal;
varying vec3 eyeVec;
varying vec3 lightDir[NUM_LIGHTS];
varying vec4 fragPos;
varying vec3 fragNrm;

void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    normal = gl_NormalMatrix * gl_Normal;
    vec4 vVertex = gl_ModelViewMatrix * gl_Vertex;
    eyeVec = -vVertex.xyz;
    fragPos = modelview_matrix * gl_Vertex;
    fragNrm = (normal_matrix * vec4(gl_Normal, 0.0)).xyz;
    gl_Position = ftransform();
    lightDir[0] = vec3(0.0);
    for (int i = 1; i < NUM_LIGHTS; ++i) {
        if (light_types[i] == 1)
            lightDir[i] = normalize(gl_LightSource[i].position.xyz);
        else
            lightDir[i] = gl_LightSource[i].position.xyz - vVertex.xyz;
    }
}
)";

const char* const LightingProgram::kFragmentText = R"(#version 120
const int NUM_LIGHTS = 8;
const float DEGREES = 57.2957786667;
const float PI = 3.1415927;
uniform sampler2D color_texture, specular_texture, bump_texture, reflection_texture;
uniform sampler2D color_texture2, specular_texture2, bump_texture2, reflection_texture2;
uniform sampler2D shadow_map;
uniform vec3 camera_position;
uniform int lighting_amount;
uniform float object_visibility;
uniform float color_amount;
uniform float opacity_amount, opacity_amount2;
uniform float specular_amount, specular_amount2;
uniform float specular_texture_amount, specular_texture_amount2;
uniform vec2 bump_offset, bump_offset2;
uniform float bump_amount, bump_amount2;
uniform float reflection_amount, reflection_amount2;
uniform int light_types[NUM_LIGHTS];
uniform float fresnel_falloff_start, fresnel_falloff_end, fresnel_falloff_tightness;
uniform mat4 shad_matrix;
uniform int shad_light_index;
uniform float shad_darkness;
uniform float shadLx, shadLy, shadDx, shadDy;
uniform float shadFocal, shadNear, shadFar, shadDepth, shadOffset;
uniform int shadFilterSize, shadFilterSize2, shadFilterSize2p1;
uniform float shadFilterScaleOffset, shadFilterScaleOffsetSize;
uniform float shadFilter[121];
varying vec3 normal;
varying vec3 eyeVec;
varying vec3 lightDir[NUM_LIGHTS];
varying vec4 fragPos;
varying vec3 fragNrm;

float shadowAmount() {
    float shadow = 1.0;
    if (shad_light_index <= 0) return shadow;
    vec4 sp = shad_matrix * fragPos;
    sp.z = -sp.z;
    vec2 coord;
    if (shadFocal > 0.0) {
        coord = sp.xy;
        if (sp.z > 0.001) coord = sp.xy * (shadFocal / sp.z);
        coord += 0.5;
    } else {
        coord = vec2((sp.x - shadLx) / shadDx, (sp.y - shadLy) / shadDy);
    }
    shadow = 0.0;
    vec2 start = coord - vec2(shadFilterScaleOffsetSize);
    for (int y = 0; y <= shadFilterSize2; ++y) {
        for (int x = 0; x <= shadFilterSize2; ++x) {
            float weight = shadFilterSize > 0 ? shadFilter[y * shadFilterSize2p1 + x] : 1.0;
            vec2 tap = start + vec2(float(x), float(y)) * shadFilterScaleOffset;
            if (tap.x < 0.0 || tap.y < 0.0 || tap.x > 1.0 || tap.y > 1.0) {
                shadow += weight;  // outside the map: lit
                continue;
            }
            float b = texture2D(shadow_map, tap).r;
            float depth = shadFocal > 0.0
                ? 2.0 * shadNear * shadFar / (shadFar + shadNear - (2.0 * b - 1.0) * shadDepth)
                : shadDepth * b;
            shadow += (shadOffset + depth < sp.z) ? weight * shad_darkness : weight;
        }
    }
    return shadow;
}

void main() {
    float shadow = shadowAmount();
    if (color_amount != 1.0) {
        float a = 1.0 - (color_amount > 0.0 ? color_amount : 1.0) * shadow;
        gl_FragColor = vec4(0.0, 0.0, 0.0, clamp(a, 0.0, 0.999999));
        return;
    }
    vec3 camToFrag = normalize(camera_position - fragPos.xyz);
    int passes = fresnel_falloff_start >= 0.0 ? 2 : 1;
    bool flipped = false;
    vec3 fn1 = vec3(0.0);
    vec4 result[2];
    for (int pass = 0; pass < 2; ++pass) {
        if (pass >= passes) break;
        vec3 n = normalize(normal);
        vec3 fn = normalize(fragNrm);
        if (pass == 0 && dot(camToFrag, fn) < -0.01) flipped = true;
        if (flipped) {
            n = -n;
            fn = -fn;
        }
        if (pass == 0) fn1 = fn;
        vec2 uv = gl_TexCoord[0].st;
        vec4 texel = pass == 0 ? texture2D(color_texture, uv) : texture2D(color_texture2, uv);
        texel.rgb *= texel.a;
        texel *= object_visibility;
        float ba = pass == 0 ? bump_amount : bump_amount2;
        if (ba != 0.0) {
            vec2 off = pass == 0 ? bump_offset : bump_offset2;
            float c = pass == 0 ? texture2D(bump_texture, uv).a : texture2D(bump_texture2, uv).a;
            float l = pass == 0 ? texture2D(bump_texture, uv - vec2(off.x, 0.0)).a
                                : texture2D(bump_texture2, uv - vec2(off.x, 0.0)).a;
            float d = pass == 0 ? texture2D(bump_texture, uv - vec2(0.0, off.y)).a
                                : texture2D(bump_texture2, uv - vec2(0.0, off.y)).a;
            float bu = (c - l) * 45.0 * ba;
            float bv = (c - d) * 45.0 * ba;
            vec3 c1 = cross(fn, vec3(0.0, 1.0, 0.0)), c2 = cross(fn, vec3(1.0, 0.0, 0.0));
            vec3 c1n = cross(n, vec3(0.0, 1.0, 0.0)), c2n = cross(n, vec3(1.0, 0.0, 0.0));
            n = normalize(n + bu * c1 - bv * c2);
            fn = normalize(fn + bu * c1n - bv * c2n);
        }
        float sa = pass == 0 ? specular_amount : specular_amount2;
        vec4 color = texel;
        vec4 specular = vec4(0.0);
        if (lighting_amount > 0) {
            vec4 diffuse = vec4(0.0);
            vec3 E = normalize(eyeVec);
            for (int i = 1; i < NUM_LIGHTS; ++i) {
                if (light_types[i] < 0 || gl_LightSource[i].diffuse.a <= 0.0) continue;
                vec4 lClr = gl_LightSource[i].diffuse.a * gl_LightSource[i].diffuse;
                vec3 L = normalize(lightDir[i]);
                float lambert = dot(n, L);
                float spotMult = 1.0;
                if (light_types[i] == 2) {
                    float spotEffect = dot(normalize(gl_LightSource[i].spotDirection), -L);
                    if (spotEffect > gl_LightSource[i].spotCosCutoff) {
                        float outer = DEGREES * acos(gl_LightSource[i].spotCosCutoff);
                        float angle = DEGREES * acos(spotEffect);
                        float inner = gl_LightSource[i].spotExponent;
                        if (inner < outer && angle > inner) {
                            float x = 1.0 - (angle - inner) / (outer - inner);
                            spotMult *= 3.0 * x * x - 2.0 * x * x * x;
                        }
                    } else {
                        spotMult = 0.0;
                    }
                }
                if (i == shad_light_index && shadow < 1.0) spotMult *= shadow;
                if (spotMult > 0.0 && lambert > 0.0) diffuse += spotMult * lambert * lClr;
                if (spotMult > 0.0 && sa > 0.0) {
                    vec3 R = reflect(-L, n);
                    float s = max(0.0, dot(R, E));
                    float k = 0.25 * gl_FrontMaterial.shininess;
                    float highlight = s / (k - k * s + s) * spotMult * sa;
                    if (highlight > 0.0) {
                        specular.rgb += highlight * gl_LightSource[i].diffuse.a * gl_LightSource[i].diffuse.rgb;
                        specular.a += highlight * gl_LightSource[i].diffuse.a;
                    }
                }
            }
            color.rgb = diffuse.rgb * texel.rgb;
            color.a = texel.a;
            color.rgb += texel.rgb * gl_FrontMaterial.ambient.rgb;
            color.rgb = min(color.rgb, texel.rgb);  // light never brightens beyond the texture
            color.a = min(color.a, 1.0);
        }
        color *= pass == 0 ? opacity_amount : opacity_amount2;
        float sta = pass == 0 ? specular_texture_amount : specular_texture_amount2;
        vec4 specTex = vec4(1.0);
        if (sta > 0.0) specTex = pass == 0 ? texture2D(specular_texture, uv) : texture2D(specular_texture2, uv);
        specTex.rgb *= specTex.a;
        float specMult = object_visibility * specTex.a;
        float ra = pass == 0 ? reflection_amount : reflection_amount2;
        if (ra > 0.0) {
            float d = dot(camToFrag, fn);
            vec3 vr2 = normalize(2.0 * d * fn - camToFrag);
            vec2 ab = normalize(vec2(-vr2.z, -vr2.x));
            float u = atan(ab.x, ab.y);
            if (u < 0.0) u += 2.0 * PI;
            u = 0.25 - u / (2.0 * PI);
            if (u < 0.0) u += 1.0;
            float v = min((asin(clamp(vr2.y, -1.0, 1.0)) + PI / 2.0) / PI, 1.0);
            vec4 txtRef = pass == 0 ? texture2D(reflection_texture, vec2(u, v)) : texture2D(reflection_texture2, vec2(u, v));
            float oa = pass == 0 ? opacity_amount : opacity_amount2;
            vec4 p = vec4(txtRef.rgb * txtRef.a, txtRef.a);
            txtRef = oa * txtRef + (1.0 - oa) * p;
            color += txtRef * ra * specMult;
            color = clamp(color, 0.0, 0.999999);
        }
        if (sa > 0.0 && specTex.a > 0.0 && specular.a > 0.0) color += specular * specMult * specTex;
        result[pass] = color;
    }
    vec4 color = result[0];
    if (passes == 2) {
        float a = clamp(dot(-camToFrag, fn1), -1.0, 1.0);
        float angle = DEGREES * acos(a);
        if (angle > 90.0) angle = 180.0 - angle;
        float interp = angle / 90.0;
        float r = fresnel_falloff_end - fresnel_falloff_start;
        float factor = r > 0.0 ? 1.0 / r : 1.0;
        if (factor != 1.0) interp = clamp((interp - fresnel_falloff_start) * factor, 0.0, 1.0);
        if (fresnel_falloff_tightness > 0.0) interp = pow(interp, 10.0 * fresnel_falloff_tightness);
        color = result[0] * (1.0 - interp) + result[1] * interp;
    }
    color = clamp(color, 0.0, 0.999999);
    if (color.a > 0.0 && color.a < 0.999999) color.rgb /= color.a;
    gl_FragColor = color;
}
)";

namespace {

bool compile(GLenum type, const char* text, GLuint& shader, std::string& error) {
    shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return true;
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length > 1 ? length : 1));
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    error = std::string(type == GL_VERTEX_SHADER ? "the lighting vertex program" : "the lighting fragment program") +
            " does not compile: " + log.data();
    glDeleteShader(shader);
    shader = 0;
    return false;
}

}  // namespace

bool LightingProgram::build(std::string& error, const char* vertexText, const char* fragmentText) {
    release();
    GLuint vertex = 0, fragment = 0;
    if (!compile(GL_VERTEX_SHADER, vertexText, vertex, error)) return false;
    if (!compile(GL_FRAGMENT_SHADER, fragmentText, fragment, error)) {
        glDeleteShader(vertex);
        return false;
    }
    program_ = glCreateProgram();
    glAttachShader(program_, vertex);
    glAttachShader(program_, fragment);
    glLinkProgram(program_);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = 0;
    glGetProgramiv(program_, GL_LINK_STATUS, &ok);
    if (!ok) {
        GLint length = 0;
        glGetProgramiv(program_, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> log(static_cast<size_t>(length > 1 ? length : 1));
        glGetProgramInfoLog(program_, length, nullptr, log.data());
        error = std::string("the lighting program does not link: ") + log.data();
        release();
        return false;
    }
    glUseProgram(program_);
    const struct {
        const char* name;
        int unit;
    } samplers[] = {{"color_texture", kColorUnit},           {"specular_texture", kSpecularUnit},
                    {"bump_texture", kBumpUnit},             {"reflection_texture", kReflectionUnit},
                    {"shadow_map", kShadowUnit},             {"color_texture2", kColorUnit2},
                    {"specular_texture2", kSpecularUnit2},   {"bump_texture2", kBumpUnit2},
                    {"reflection_texture2", kReflectionUnit2}};
    for (const auto& s : samplers) {
        GLint location = glGetUniformLocation(program_, s.name);
        if (location >= 0) glUniform1i(location, s.unit);
    }
    glUseProgram(0);
    return true;
}

void LightingProgram::release() {
    if (program_) glDeleteProgram(program_);
    program_ = 0;
}

int LightingProgram::uniform(const char* name) const { return glGetUniformLocation(program_, name); }

}  // namespace fw
