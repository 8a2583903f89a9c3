#define GL_GLEXT_PROTOTYPES 1
#include "render/LightingProgram.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <glm/gtc/matrix_inverse.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <vector>

#include "render/GLProgram.h"
#include "render/Light.h"
#include "render/LightSlots.h"
#include "surface/TextureMapping.h"

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
varying vec3 objPos;
varying vec3 objNrm;

void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    objPos = gl_Vertex.xyz;
    objNrm = gl_Normal;
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
#extension GL_ARB_shader_texture_lod : enable
const int NUM_LIGHTS = 8;
const float DEGREES = 57.2957786667;
const float PI = 3.1415927;
uniform sampler2D color_texture, specular_texture, bump_texture, reflection_texture;
uniform sampler2D color_texture2, specular_texture2, bump_texture2, reflection_texture2;
uniform sampler2DShadow shadow_map;
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
uniform int light_count;  // the slots past the last light in use are left out
uniform float fresnel_falloff_start, fresnel_falloff_end, fresnel_falloff_tightness;
uniform mat4 shad_matrix;
uniform int shad_light_index;
uniform float shad_darkness;
uniform float shadLx, shadLy, shadDx, shadDy;
uniform float shadFocal, shadNear, shadFar, shadDepth, shadOffset;
uniform int shadTaps;         // each way
uniform float shadTapStep;    // in map fractions
uniform float shadTapWeight[3];  // along either axis, summing to 1
const int MAX_LAYERS = 4;
uniform int layer_count;
uniform int layer_mapping[MAX_LAYERS], layer_tiling[MAX_LAYERS], layer_blend[MAX_LAYERS];
uniform float layer_amount[MAX_LAYERS], layer_opacity[MAX_LAYERS];
uniform vec4 layer_scale[MAX_LAYERS];  // 1 / applied width and height, then the tiling counts
uniform vec2 viewport_size;  // the Camera mapping spreads the map over the frame
uniform mat4 layer_space[MAX_LAYERS], layer_uv[MAX_LAYERS];
uniform sampler2D layer_texture1, layer_texture2, layer_texture3;
varying vec3 normal;
varying vec3 eyeVec;
varying vec3 lightDir[NUM_LIGHTS];
varying vec4 fragPos;
varying vec3 fragNrm;
varying vec3 objPos;
varying vec3 objNrm;

#ifdef STACKED
// The angle of (x, y) as a fraction of a turn, 0 to 1.
float turn(float y, float x) {
    float a = atan(y, x);
    if (a < 0.0) a += 2.0 * PI;
    return a / (2.0 * PI);
}

#endif

// A stack item's texture coordinate at this fragment, by its mapping style, before
// the tiling wraps it (the sampler of its unit does that).
vec2 layerCoordinate(int i) {
    int m = layer_mapping[i];
    vec2 uv = gl_TexCoord[0].st;
#ifdef STACKED
    if (m == MAPPING_CAMERA) {
        uv = gl_FragCoord.xy / viewport_size;
    } else if (m >= MAPPING_SPHERICAL && m <= MAPPING_DRAWING) {
        vec3 p = (layer_space[i] * vec4(objPos, 1.0)).xyz;
        vec2 s = layer_scale[i].xy;
        if (m == MAPPING_SPHERICAL) {
            float len = length(p);
            float dy = len > 0.0 ? p.y / len : 0.0;
            if (abs(dy) > 0.9999) uv = vec2(0.0, dy > 0.0 ? 1.0 : 0.0);
            else uv = vec2(turn(-p.x, -p.z), (asin(dy) + PI / 2.0) / PI);
        } else if (m == MAPPING_PLANAR_X || m == MAPPING_PLANAR_NX) {
            uv = vec2(0.5 - p.z * s.x, 0.5 + p.y * s.y);
        } else if (m == MAPPING_PLANAR_Y || m == MAPPING_PLANAR_NY) {
            uv = vec2(0.5 + p.x * s.x, 0.5 - p.z * s.y);
        } else if (m == MAPPING_PLANAR_Z || m == MAPPING_PLANAR_NZ || m == MAPPING_DRAWING) {
            uv = vec2(0.5 + p.x * s.x, 0.5 + p.y * s.y);
        } else if (m == MAPPING_CYLINDRICAL_X) {
            uv = vec2(turn(-p.z, -p.y), 0.5 + p.x * s.y);
        } else if (m == MAPPING_CYLINDRICAL_Y) {
            uv = vec2(turn(-p.z, -p.x), 0.5 + p.y * s.y);
        } else if (m == MAPPING_CYLINDRICAL_Z) {
            uv = vec2(turn(-p.y, -p.x), 0.5 + p.z * s.y);
        } else {
            vec3 a = abs(objNrm);
            if (a.x >= a.y && a.x >= a.z) uv = vec2(0.5 + (objNrm.x < 0.0 ? p.z : -p.z) * s.x, 0.5 + p.y * s.y);
            else if (a.y >= a.z) uv = vec2(0.5 + p.x * s.x, 0.5 + (objNrm.y < 0.0 ? p.z : -p.z) * s.y);
            else uv = vec2(0.5 + (objNrm.z < 0.0 ? -p.x : p.x) * s.x, 0.5 + p.y * s.y);
        }
    }
#endif
    uv = (layer_uv[i] * vec4(uv, 0.0, 1.0)).xy;
    if (layer_tiling[i] != TILING_NONE) uv *= layer_scale[i].zw;  // None does not scale
    return uv;
}

#ifdef STACKED
// The blend modes of stack items, alpha-aware, non-premultiplied colours.
vec4 normalised(vec4 d) {
    if (d.a > 0.0 && d.a < 1.0) d.rgb /= d.a;
    return d;
}
vec4 blendNormal(vec4 d, vec4 s) {
    if (s.a <= 0.0) return d;
    return normalised(vec4(d.rgb * d.a * (1.0 - s.a) + s.rgb * s.a, (1.0 - s.a) * d.a + s.a));
}
vec4 blendScreen(vec4 d, vec4 s) {
    return normalised(vec4(1.0 - (1.0 - d.rgb * d.a) * (1.0 - s.rgb * s.a), (1.0 - s.a) * d.a + s.a));
}
vec4 blendMultiply(vec4 d, vec4 s) {
    if (d.a == 0.0) return s;
    float k = 1.0 - s.a, d0 = d.a;
    vec3 c = s.rgb * s.a * d.rgb + d.rgb * k;
    c = s.rgb * s.a * (1.0 - d0) + c * d0;
    return normalised(vec4(c, k * d.a + s.a));
}
vec3 overlayMix(vec3 s, vec3 d) {
    return mix(2.0 * s * d, 1.0 - 2.0 * (1.0 - s) * (1.0 - d), 1.0 - step(d, vec3(0.5)));
}
vec3 softLightMix(vec3 s, vec3 d) {
    vec3 low = d * d * (1.0 - 2.0 * s) + 2.0 * s * d;
    vec3 high = sqrt(max(d, 0.0)) * (2.0 * s - 1.0) + 2.0 * d * (1.0 - s);
    return mix(low, high, 1.0 - step(s, vec3(0.5)));
}
vec4 blendContrast(vec4 d, vec4 s, bool soft) {
    if (d.a == 0.0) return s;
    float k = 1.0 - s.a, d0 = d.a;
    vec3 b = soft ? softLightMix(s.rgb, d.rgb) : overlayMix(s.rgb, d.rgb);
    vec4 r = normalised(vec4(d.rgb * d0 * k + b * s.a, k * d.a + s.a));
    return normalised(vec4(s.rgb * s.a * (1.0 - d0) + r.rgb * d0, r.a));
}
vec4 blendAdd(vec4 d, vec4 s) {
    if (d.a == 0.0) return s;
    if (s.a <= 0.0) return d;
    float k = 1.0 - s.a;
    return vec4(min(vec3(1.0), (d.rgb * d.a + s.rgb * s.a) / (d.a * k + s.a)), k * d.a + s.a);
}
vec4 blendLayer(vec4 d, vec4 s, int mode) {
    if (mode == BLEND_SCREEN) return blendScreen(d, s);
    if (mode == BLEND_MULTIPLY) return blendMultiply(d, s);
    if (mode == BLEND_OVERLAY) return blendContrast(d, s, false);
    if (mode == BLEND_SOFT_LIGHT) return blendContrast(d, s, true);
    if (mode == BLEND_ADD) return blendAdd(d, s);
    if (mode == BLEND_MAGIC_GLUE_1) return blendMultiply(blendScreen(d, s), s);
    if (mode == BLEND_MAGIC_GLUE_2) return blendMultiply(blendContrast(blendScreen(d, s), s, false), s);
    if (mode == BLEND_MAGIC_GLUE_3) return blendScreen(blendMultiply(d, s), s);
    return blendNormal(d, s);
}
vec4 withLayer(vec4 d, int i, sampler2D tex) {
    vec4 s = texture2D(tex, layerCoordinate(i));
    s.a *= layer_opacity[i] * min(layer_amount[i], 1.0);
    return blendLayer(d, s, layer_blend[i]);
}
#endif

// The map's own depth comparison, filtered over a square of bilinear taps: each tap
// weighs four texels' answers, so a few of them make as soft an edge as many single reads.
float shadowAmount() {
    if (shad_light_index <= 0) return 1.0;
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
    // The stored depth a surface this far along the light, less the bias, would have:
    // map depths at or beyond it light the fragment.
    float z = sp.z - shadOffset;
    float ref = z / shadDepth;
    if (shadFocal > 0.0) ref = z > 0.0 ? 0.5 * ((shadFar + shadNear - 2.0 * shadNear * shadFar / z) / shadDepth + 1.0) : 0.0;
    vec2 start = coord - vec2(shadTapStep * 0.5 * float(shadTaps - 1));
    float lit = 0.0;
    for (int y = 0; y < shadTaps; ++y) {
        float row = 0.0;
        for (int x = 0; x < shadTaps; ++x)
            row += shadTapWeight[x] * shadow2D(shadow_map, vec3(start + vec2(float(x), float(y)) * shadTapStep, ref)).r;
        lit += shadTapWeight[y] * row;
    }
    return mix(shad_darkness, 1.0, lit);
}

void main() {
    float shadow = shadowAmount();
    if (color_amount != 1.0) {
        float a = 1.0 - (color_amount > 0.0 ? color_amount : 1.0) * shadow;
        gl_FragColor = vec4(0.0, 0.0, 0.0, clamp(a * object_visibility, 0.0, 0.999999));
        return;
    }
    vec3 camToFrag = normalize(camera_position - fragPos.xyz);
#ifdef FRESNEL
    int passes = fresnel_falloff_start >= 0.0 ? 2 : 1;
#else
    const int passes = 1;  // a single surface: the loop below unrolls to one pass
#endif
    bool flipped = false;
    vec3 fn1 = vec3(0.0);
    vec4 result[2];
#ifdef FRESNEL
    for (int pass = 0; pass < 2; ++pass) {
        if (pass >= passes) break;
#else
    for (int pass = 0; pass < 1; ++pass) {
#endif
        vec3 n = normalize(normal);
        vec3 fn = normalize(fragNrm);
        if (pass == 0 && dot(camToFrag, fn) < -0.01) flipped = true;
        if (flipped) {
            n = -n;
            fn = -fn;
        }
        if (pass == 0) fn1 = fn;
        vec2 uv = layerCoordinate(0);
        vec4 texel = pass == 0 ? texture2D(color_texture, uv) : texture2D(color_texture2, uv);
#ifdef STACKED
        if (pass == 0 && layer_count > 1) {
            // The stack's further items, each blended onto those under it.
            texel.a *= min(layer_amount[0], 1.0);
            texel = withLayer(texel, 1, layer_texture1);
            if (layer_count > 2) texel = withLayer(texel, 2, layer_texture2);
            if (layer_count > 3) texel = withLayer(texel, 3, layer_texture3);
        }
#endif
        texel.rgb *= texel.a;
        texel *= object_visibility;
#ifdef BUMPED
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
#endif
        float sa = pass == 0 ? specular_amount : specular_amount2;
        vec4 color = texel;
        vec4 specular = vec4(0.0);
        if (lighting_amount > 0) {
            vec4 diffuse = vec4(0.0);
            vec3 E = normalize(eyeVec);
            for (int i = 1; i < NUM_LIGHTS; ++i) {
                // Every fragment stops together after the last light in use.
                if (i >= light_count) break;
                if (light_types[i] < 0 || gl_LightSource[i].diffuse.a <= 0.0) continue;
                vec4 lClr = gl_LightSource[i].diffuse.a * gl_LightSource[i].diffuse;
                vec3 L = normalize(lightDir[i]);
                float lambert = dot(n, L);
                float spotMult = 1.0;
#ifdef SPOT_LIT
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
#endif
                if (i == shad_light_index && shadow < 1.0) spotMult *= shadow;
#ifdef CARTOON
                // Three flat bands of light instead of a gradient.
                float lit = spotMult * lambert;
                lambert = lit > 0.6 ? 1.0 : lit > 0.25 ? 0.65 : lit > 0.0 ? 0.35 : 0.0;
                if (spotMult > 0.0) spotMult = 1.0;
#endif
                if (spotMult > 0.0 && lambert > 0.0) diffuse += spotMult * lambert * lClr;
                if (spotMult > 0.0 && sa > 0.0) {
                    vec3 R = reflect(-L, n);
                    float s = max(0.0, dot(R, E));
                    float k = 0.25 * gl_FrontMaterial.shininess;
                    float highlight = s / (k - k * s + s) * spotMult * sa;
#ifdef CARTOON
                    highlight = highlight > 0.5 * sa ? sa : 0.0;  // a hard-edged spot
#endif
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
        vec4 specTex = vec4(1.0);
#ifdef SPECULAR_MAPPED
        float sta = pass == 0 ? specular_texture_amount : specular_texture_amount2;
        if (sta > 0.0) specTex = pass == 0 ? texture2D(specular_texture, uv) : texture2D(specular_texture2, uv);
#endif
        specTex.rgb *= specTex.a;
        float specMult = object_visibility * specTex.a;
#ifdef REFLECTIVE
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
#ifdef GL_ARB_shader_texture_lod
            // Mipmaps by how far the mirrored ray turns across the pixel (a turn spans
            // the map's width, half a turn its height): u spins round the map's poles
            // and jumps at its seam, and a level chosen by it there blurs the whole map
            // into a dot.
            float tx = length(dFdx(vr2)) / PI, ty = length(dFdy(vr2)) / PI;
            vec2 gx = vec2(0.5 * tx, tx), gy = vec2(0.5 * ty, ty);
            vec4 txtRef = pass == 0 ? texture2DGradARB(reflection_texture, vec2(u, v), gx, gy)
                                    : texture2DGradARB(reflection_texture2, vec2(u, v), gx, gy);
#else
            vec4 txtRef = pass == 0 ? texture2D(reflection_texture, vec2(u, v)) : texture2D(reflection_texture2, vec2(u, v));
#endif
            float oa = pass == 0 ? opacity_amount : opacity_amount2;
            vec4 p = vec4(txtRef.rgb * txtRef.a, txtRef.a);
            txtRef = oa * txtRef + (1.0 - oa) * p;
            color += txtRef * ra * specMult;
            color = clamp(color, 0.0, 0.999999);
        }
#endif
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

// The fit's square of single taps as about a quarter as many bilinear ones each way
// (two to three), spread over the same width: each single tap's weight goes to the two
// bilinear taps either side of it in proportion to how near it is, so the filter keeps
// its centre and its spread.
struct BilinearTaps {
    float step = 0;
    std::vector<float> weights;  // along one axis; the filter is their outer product
};

BilinearTaps bilinearTaps(const ShadowPass::Fit& fit) {
    const int half = fit.filterHalf, side = 2 * half + 1;
    // The fit's weights are a Gaussian's outer product: one axis is a row's sum.
    std::vector<double> single(static_cast<size_t>(side), 0.0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) single[static_cast<size_t>(x)] += fit.weights[static_cast<size_t>(y * side + x)];
    BilinearTaps taps;
    const int count = half > 0 ? std::max(2, half / 2 + 1) : 1;
    // Single tap k lies at k * scale in the bilinear taps' units from the first.
    const double scale = half > 0 ? (count - 1) / (2.0 * half) : 0.0;
    taps.step = half > 0 ? static_cast<float>(fit.tapSpacing / scale) : 0.0f;
    std::vector<double> paired(static_cast<size_t>(count), 0.0);
    for (int k = 0; k < side; ++k) {
        double at = k * scale;
        int below = std::min(static_cast<int>(at), count - 1), above = std::min(below + 1, count - 1);
        double along = at - below;
        paired[static_cast<size_t>(below)] += single[static_cast<size_t>(k)] * (1 - along);
        paired[static_cast<size_t>(above)] += single[static_cast<size_t>(k)] * along;
    }
    double sum = 0;
    for (double w : paired) sum += w;
    for (double w : paired) taps.weights.push_back(static_cast<float>(w / sum));
    return taps;
}

}  // namespace

int LightingProgram::detailsOf(const BakedMaterial& m) {
    // The same tests that give the amounts setMaterial passes: without them the
    // program would skip the channel anyway.
    int details = 0;
    for (const BakedMaterial::Surface& surface : m.surface) {
        if (!surface.bump.empty() && surface.bumpAmount != 0) details |= kBumped;
        if (!surface.specular.empty()) details |= kSpecularMapped;
        if (!surface.reflection.empty() && surface.reflectionAmount > 0 && m.style != BakedMaterial::kMatte &&
            m.style != BakedMaterial::kShadowCatcher)
            details |= kReflective;
    }
    if (m.fresnel) details |= kFresnel;
    return details;
}

bool LightingProgram::needsStack(const std::vector<DrawList::Layer>& layers) {
    if (layers.size() > 1) return true;
    return !layers.empty() && TextureMapping::projects(layers[0].mapping);
}

bool LightingProgram::build(std::string& error, int variant, const char* vertexText, const char* fragmentText) {
    release();
    std::string text = fragmentText;
    // Defines go after the "#version" line, which must come first; the numbers the
    // source compares with come from the same constants the ray tracer reads.
    size_t line = text.rfind("#version", 0) == 0 ? text.find('\n') + 1 : 0;
    text.insert(line, TextureMapping::glslConstants());
    if (variant & kStacked) text.insert(line, "#define STACKED 1\n");
    if (variant & kCartoon) text.insert(line, "#define CARTOON 1\n");
    if (variant & kBumped) text.insert(line, "#define BUMPED 1\n");
    if (variant & kReflective) text.insert(line, "#define REFLECTIVE 1\n");
    if (variant & kSpecularMapped) text.insert(line, "#define SPECULAR_MAPPED 1\n");
    if (variant & kFresnel) text.insert(line, "#define FRESNEL 1\n");
    if (variant & kSpotLit) text.insert(line, "#define SPOT_LIT 1\n");
    program_ = linkedProgram(vertexText, text.c_str(), "lighting", error);
    if (!program_) return false;
    glUseProgram(program_);
    const struct {
        const char* name;
        int unit;
    } samplers[] = {{"color_texture", kColorUnit},           {"specular_texture", kSpecularUnit},
                    {"bump_texture", kBumpUnit},             {"reflection_texture", kReflectionUnit},
                    {"shadow_map", kShadowUnit},             {"color_texture2", kColorUnit2},
                    {"specular_texture2", kSpecularUnit2},   {"bump_texture2", kBumpUnit2},
                    {"reflection_texture2", kReflectionUnit2}, {"layer_texture1", kLayerUnit1},
                    {"layer_texture2", kLayerUnit1 + 1},     {"layer_texture3", kLayerUnit1 + 2}};
    for (const auto& s : samplers) {
        GLint location = glGetUniformLocation(program_, s.name);
        if (location >= 0) glUniform1i(location, s.unit);
    }
    glUseProgram(0);
    lookUpUniforms();
    // Tiling wraps in the samplers, so that minified tiles keep their mipmaps across
    // the wrap; uncovered NoneClip texels are clear.
    const GLint wraps[4] = {GL_CLAMP_TO_EDGE, GL_REPEAT, GL_MIRRORED_REPEAT, GL_CLAMP_TO_BORDER};
    glGenSamplers(4, samplers_);
    for (int i = 0; i < 4; ++i) {
        glSamplerParameteri(samplers_[i], GL_TEXTURE_WRAP_S, wraps[i]);
        glSamplerParameteri(samplers_[i], GL_TEXTURE_WRAP_T, wraps[i]);
        glSamplerParameteri(samplers_[i], GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glSamplerParameteri(samplers_[i], GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        const GLfloat clear[4] = {0, 0, 0, 0};
        glSamplerParameterfv(samplers_[i], GL_TEXTURE_BORDER_COLOR, clear);
    }
    // Reflection maps go round in u; in v they end at the poles, and the zenith
    // blended with the nadir would darken whatever mirrors straight up.
    glGenSamplers(1, &environment_);
    glSamplerParameteri(environment_, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(environment_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(environment_, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(environment_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return true;
}

void LightingProgram::lookUpUniforms() {
    auto at = [this](const char* name) { return glGetUniformLocation(program_, name); };
    Uniforms& u = uniforms_;
    u.modelview = at("modelview_matrix");
    u.normal = at("normal_matrix");
    u.visibility = at("object_visibility");
    u.lightTypes = at("light_types");
    u.lightCount = at("light_count");
    u.camera = at("camera_position");
    u.lighting = at("lighting_amount");
    u.color = at("color_amount");
    u.fresnelStart = at("fresnel_falloff_start");
    u.fresnelEnd = at("fresnel_falloff_end");
    u.fresnelTightness = at("fresnel_falloff_tightness");
    for (int s = 0; s < 2; ++s) {
        // The second surface's uniforms carry the suffix "2".
        auto surfaceAt = [&](const char* base) { return at((std::string(base) + (s ? "2" : "")).c_str()); };
        SurfaceUniforms& su = u.surface[s];
        su.opacity = surfaceAt("opacity_amount");
        su.specular = surfaceAt("specular_amount");
        su.specularTexture = surfaceAt("specular_texture_amount");
        su.bumpOffset = surfaceAt("bump_offset");
        su.bump = surfaceAt("bump_amount");
        su.reflection = surfaceAt("reflection_amount");
    }
    u.shadowLight = at("shad_light_index");
    u.shadowMatrix = at("shad_matrix");
    u.shadowDarkness = at("shad_darkness");
    u.shadowLx = at("shadLx");
    u.shadowLy = at("shadLy");
    u.shadowDx = at("shadDx");
    u.shadowDy = at("shadDy");
    u.shadowFocal = at("shadFocal");
    u.shadowNear = at("shadNear");
    u.shadowFar = at("shadFar");
    u.shadowDepth = at("shadDepth");
    u.shadowOffset = at("shadOffset");
    u.taps = at("shadTaps");
    u.tapStep = at("shadTapStep");
    u.tapWeights = at("shadTapWeight");
    u.layerCount = at("layer_count");
    u.layerMapping = at("layer_mapping");
    u.layerTiling = at("layer_tiling");
    u.layerBlend = at("layer_blend");
    u.layerAmount = at("layer_amount");
    u.layerOpacity = at("layer_opacity");
    u.layerScale = at("layer_scale");
    u.viewport = at("viewport_size");
    u.layerSpace = at("layer_space");
    u.layerUV = at("layer_uv");
}

void LightingProgram::placeLights(const LightSlots& slots, const glm::mat4& view) {
    glMatrixMode(GL_MODELVIEW);
    for (int slot = 1; slot <= LightSlots::kDirect; ++slot) {
        const GLenum id = GL_LIGHT0 + slot;
        if (slot - 1 >= static_cast<int>(slots.direct.size())) {
            const GLfloat none[4] = {0, 0, 0, 0};
            glLightfv(id, GL_DIFFUSE, none);
            continue;
        }
        Light* light = slots.direct[static_cast<size_t>(slot - 1)];
        glLoadMatrixf(glm::value_ptr(view * glm::mat4(light->cameraToWorld())));
        const GLfloat position[4] = {0, 0, 1, light->type() == Light::kDirectional ? 0.0f : 1.0f};
        const GLfloat direction[3] = {0, 0, -1};
        glLightfv(id, GL_POSITION, position);
        glLightfv(id, GL_SPOT_DIRECTION, direction);
        const GLfloat zero[4] = {0, 0, 0, 0};
        glLightfv(id, GL_AMBIENT, zero);
        const GLfloat colour[4] = {light->color[0], light->color[1], light->color[2], static_cast<float>(light->intensity)};
        glLightfv(id, GL_DIFFUSE, colour);
        glLightfv(id, GL_SPECULAR, colour);
        if (light->type() == Light::kSpot) {
            glLightf(id, GL_SPOT_CUTOFF, static_cast<float>(std::min(light->spotOuterAngle(), 89.0)));
            // The program reads the exponent slot as the inner cone angle in degrees.
            glLightf(id, GL_SPOT_EXPONENT, static_cast<float>(std::min(light->spotInnerAngle(), 128.0)));
        } else {
            glLightf(id, GL_SPOT_CUTOFF, 180.0f);
        }
    }
}

void LightingProgram::begin(const LightSlots& slots, const glm::mat4& view, const glm::vec3& eye) {
    placeLights(slots, view);
    // What the program does with each slot: -1 nothing, 0 point, 1 directional, 2 spot.
    GLint types[LightSlots::kDirect + 1] = {-1, -1, -1, -1, -1, -1, -1, -1};
    for (size_t i = 0; i < slots.direct.size(); ++i) {
        int type = slots.direct[i]->type();
        types[i + 1] = type == Light::kSpot ? 2 : type == Light::kDirectional ? 1 : 0;
    }
    glUseProgram(program_);
    for (int unit : {kReflectionUnit, kReflectionUnit2}) glBindSampler(unit, environment_);
    glUniform1iv(uniforms_.lightTypes, LightSlots::kDirect + 1, types);
    glUniform1i(uniforms_.lightCount, static_cast<GLint>(std::min<size_t>(slots.direct.size(), LightSlots::kDirect)) + 1);
    glUniform3f(uniforms_.camera, eye.x, eye.y, eye.z);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glUniform2f(uniforms_.viewport, static_cast<float>(std::max(1, viewport[2])), static_cast<float>(std::max(1, viewport[3])));
}

void LightingProgram::use() { glUseProgram(program_); }

void LightingProgram::setShadow(const ShadowPass::Fit* shadow, unsigned texture, double offset) {
    const Uniforms& u = uniforms_;
    glUniform1i(u.shadowLight, shadow ? shadow->slot : 0);
    if (!shadow) return;
    glActiveTexture(GL_TEXTURE0 + kShadowUnit);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniformMatrix4fv(u.shadowMatrix, 1, GL_FALSE, glm::value_ptr(shadow->view));
    glUniform1f(u.shadowDarkness, shadow->darkness);
    glUniform1f(u.shadowLx, shadow->lx);
    glUniform1f(u.shadowLy, shadow->ly);
    glUniform1f(u.shadowDx, shadow->dx);
    glUniform1f(u.shadowDy, shadow->dy);
    glUniform1f(u.shadowFocal, shadow->focal);
    glUniform1f(u.shadowNear, shadow->nearZ);
    glUniform1f(u.shadowFar, shadow->farZ);
    glUniform1f(u.shadowDepth, shadow->farZ - shadow->nearZ);
    // The setting alone is far below a texel of the map, and the filter's
    // outer taps read depths further along a sloping surface: without slack for
    // both, surfaces shadow themselves in stripes.
    float spanTexels = shadow->tapSpacing * static_cast<float>(shadow->filterHalf) * static_cast<float>(shadow->mapWidth);
    glUniform1f(u.shadowOffset, static_cast<float>(offset) + (2 + 1.5f * spanTexels) * shadow->texel);
    const BilinearTaps taps = bilinearTaps(*shadow);
    glUniform1i(u.taps, static_cast<GLint>(taps.weights.size()));
    glUniform1f(u.tapStep, taps.step);
    glUniform1fv(u.tapWeights, static_cast<GLsizei>(taps.weights.size()), taps.weights.data());
}

void LightingProgram::setObject(const glm::mat4& world, float opacity) {
    glUniformMatrix4fv(uniforms_.modelview, 1, GL_FALSE, glm::value_ptr(world));
    glUniformMatrix4fv(uniforms_.normal, 1, GL_FALSE, glm::value_ptr(glm::inverseTranspose(world)));
    glUniform1f(uniforms_.visibility, opacity);
}

void LightingProgram::setMaterial(const BakedMaterial& m, const MaterialTextures::Ids& textures, const float ambient[4]) {
    const Uniforms& u = uniforms_;
    const GLfloat materialAmbient[4] = {ambient[0], ambient[1], ambient[2], 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, materialAmbient);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(m.surface[0].shininess, 0.0f, 128.0f));
    glUniform1i(u.lighting, m.lighting ? 1 : 0);
    // Under per-pixel lighting a shadow catcher is clear where lit: only its shadow shows.
    glUniform1f(u.color, m.style == BakedMaterial::kShadowCatcher ? 0.0f : 1.0f);
    static const int kUnits[2][4] = {{kColorUnit, kSpecularUnit, kBumpUnit, kReflectionUnit},
                                     {kColorUnit2, kSpecularUnit2, kBumpUnit2, kReflectionUnit2}};
    for (int s = 0; s < 2; ++s) {
        const BakedMaterial::Surface& surface = m.surface[s];
        const SurfaceUniforms& su = u.surface[s];
        // An empty channel samples the colour texture; its amount keeps it out of the picture.
        for (int c = 0; c < 4; ++c) {
            glActiveTexture(GL_TEXTURE0 + kUnits[s][c]);
            glBindTexture(GL_TEXTURE_2D, textures.ids[s][c] ? textures.ids[s][c] : textures.ids[s][0]);
        }
        bool bump = !surface.bump.empty() && surface.bumpAmount != 0;
        glUniform1f(su.opacity, surface.opacity);
        glUniform1f(su.specular, surface.specularAmount);
        glUniform1f(su.specularTexture, surface.specular.empty() ? 0.0f : 1.0f);
        glUniform2f(su.bumpOffset, bump ? 1.0f / surface.bump.width : 0.0f, bump ? 1.0f / surface.bump.height : 0.0f);
        glUniform1f(su.bump, bump ? surface.bumpAmount : 0.0f);
        bool reflects = !surface.reflection.empty() && m.style != BakedMaterial::kMatte &&
                        m.style != BakedMaterial::kShadowCatcher;
        glUniform1f(su.reflection, reflects ? surface.reflectionAmount : 0.0f);
    }
    glUniform1f(u.fresnelStart, m.fresnel ? m.fresnelStart : -1.0f);
    glUniform1f(u.fresnelEnd, m.fresnelEnd);
    glUniform1f(u.fresnelTightness, m.fresnelBlend);
}

void LightingProgram::setLayers(const std::vector<DrawList::Layer>& layers, MaterialTextures& textures) {
    const Uniforms& u = uniforms_;
    const int count = std::min(static_cast<int>(layers.size()), kMaxLayers);
    GLint mapping[kMaxLayers], tiling[kMaxLayers], blend[kMaxLayers];
    GLfloat amount[kMaxLayers], opacity[kMaxLayers], scale[kMaxLayers][4];
    glm::mat4 space[kMaxLayers], uv[kMaxLayers];
    for (int i = 0; i < kMaxLayers; ++i) {
        DrawList::Layer layer = i < count ? layers[static_cast<size_t>(i)] : DrawList::Layer();
        mapping[i] = layer.mapping;
        tiling[i] = TextureMapping::tilingOf(layer.tiling);
        blend[i] = layer.blend;
        amount[i] = layer.amount;
        opacity[i] = layer.material ? layer.material->surface[0].opacity : 1.0f;
        scale[i][0] = layer.scale.x, scale[i][1] = layer.scale.y, scale[i][2] = layer.tile.x, scale[i][3] = layer.tile.y;
        space[i] = layer.toMapping;
        uv[i] = layer.uvTransform;
    }
    glUniform1i(u.layerCount, std::max(count, 1));
    glUniform1iv(u.layerMapping, kMaxLayers, mapping);
    glUniform1iv(u.layerTiling, kMaxLayers, tiling);
    glUniform1iv(u.layerBlend, kMaxLayers, blend);
    glUniform1fv(u.layerAmount, kMaxLayers, amount);
    glUniform1fv(u.layerOpacity, kMaxLayers, opacity);
    glUniform4fv(u.layerScale, kMaxLayers, &scale[0][0]);
    glUniformMatrix4fv(u.layerSpace, kMaxLayers, GL_FALSE, glm::value_ptr(space[0]));
    glUniformMatrix4fv(u.layerUV, kMaxLayers, GL_FALSE, glm::value_ptr(uv[0]));
    // The first item's tiling wraps the first surface's textures.
    for (int unit : {kColorUnit, kSpecularUnit, kBumpUnit}) glBindSampler(unit, samplers_[tiling[0] - 1]);
    for (int i = 1; i < kMaxLayers; ++i) {
        const int unit = kLayerUnit1 + i - 1;
        glBindSampler(unit, samplers_[tiling[i] - 1]);
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, i < count ? textures.upload(*layers[static_cast<size_t>(i)].material).ids[0][0] : 0);
    }
    glActiveTexture(GL_TEXTURE0);
}

void LightingProgram::end() {
    glUseProgram(0);
    // The units setLayers gave samplers.
    const int sampled[] = {kColorUnit, kSpecularUnit, kBumpUnit, kLayerUnit1, kLayerUnit1 + 1, kLayerUnit1 + 2};
    for (int unit : sampled) glBindSampler(unit, 0);
    for (int unit : {kReflectionUnit, kReflectionUnit2}) glBindSampler(unit, 0);
    glActiveTexture(GL_TEXTURE0 + kShadowUnit);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
}

void LightingProgram::release() {
    if (samplers_[0]) glDeleteSamplers(4, samplers_);
    std::fill(std::begin(samplers_), std::end(samplers_), 0u);
    if (environment_) glDeleteSamplers(1, &environment_);
    environment_ = 0;
    if (program_) glDeleteProgram(program_);
    program_ = 0;
    uniforms_ = Uniforms();
}

}  // namespace fw
