# The engine's effect file: the parameters the renderer sets, the programs and
# the techniques that the core shaders name. Matrices are applied as `m * v`
# (the row vector v times the matrix as the engine stores it). Techniques with
# "_SHDW" add the sun's shadow map; the renderer falls back to the plain
# technique where a variant is missing. The shadow map holds, per texel, the
# depth (0 near, 1 far) of what the sun sees first; "matSunViewProj" carries a
# world point to its texel and depth. Water ("water_shader") reads the
# mirrored view of the scene through "env_texture" at the place
# "matWaterWorldViewProj" gives.

@parameter float4x4 matWorldViewProj
@parameter float4x4 matWorldView
@parameter float4x4 matWorld
@parameter float4x4 matView
@parameter float4x4 matViewProj
@parameter float4x4 matWaterWorldViewProj
@parameter float4x4 matSunViewProj
@parameter float4x4[32] matWorldArray
@parameter float4[32] matBoneOriginArray
@parameter float4 vSunDir = 0 0 -1 0
@parameter float4 vSunColor = 1 1 1 1
@parameter float4 vSkyLightDir = 0 0 -1 0
@parameter float4 vSkyLightColor = 0 0 0 1
@parameter float4 vAmbientColor = 0.3 0.3 0.3 1
@parameter float4 vPointLightColor = 0 0 0 1
@parameter float4[10] vLightPosDir
@parameter float4[10] vLightDiffuse
@parameter int iLightPointCount
@parameter float4 iLightIndices
@parameter float4 vMaterialColor = 1 1 1 1
@parameter float4 vMaterialColor2 = 1 1 1 1
@parameter float4 vSpecularColor = 0 0 0 1
@parameter float fMaterialPower = 16
@parameter float4 vCameraPos
@parameter float4 vFogColor = 0.5 0.5 0.5 1
@parameter float fFogStart = 100
@parameter float fFogEnd = 1000
@parameter float fFogDensity = 0.002
@parameter float output_gamma = 2.2
@parameter float output_gamma_inv = 0.45454545
@parameter float2 texture_offset
@parameter float time_var
@sampler diffuse_texture 0
@sampler diffuse_texture_2 1
@sampler normal_texture 2
@sampler specular_texture 3
@sampler env_texture 4
@sampler shadowmap_texture 7

@common
// Linear to display colour.
vec3 to_display(vec3 c) { return pow(max(c, vec3(0.0)), vec3(output_gamma_inv)); }
// Sky and ambient light, and the sun's light, on a world-space normal.
vec3 ambient_at(vec3 n) {
  float sky = max(dot(n, -vSkyLightDir.xyz), 0.0);
  return vAmbientColor.rgb + vSkyLightColor.rgb * sky;
}
vec3 sun_at(vec3 n) { return vSunColor.rgb * max(dot(n, -vSunDir.xyz), 0.0); }
vec3 light_at(vec3 n) { return ambient_at(n) + sun_at(n); }
// How much sunlight reaches a point at sun_space (matSunViewProj times the
// world point): 1 outside the map, else the share of four neighbouring
// texels whose depth is not nearer the sun than the point.
float sunlight_at(vec4 sun_space) {
  vec3 s = sun_space.xyz / sun_space.w;
  if (s.x < 0.0 || s.x > 1.0 || s.y < 0.0 || s.y > 1.0 || s.z > 1.0) return 1.0;
  vec2 texel = 1.0 / vec2(textureSize(shadowmap_texture, 0));
  float lit = 0.0;
  for (int i = 0; i < 4; ++i) {
    vec2 at = clamp(s.xy + (vec2(i % 2, i / 2) - 0.5) * texel, vec2(0.0), vec2(1.0));
    lit += s.z <= texture(shadowmap_texture, at).r + 0.002 ? 0.25 : 0.0;
  }
  return lit;
}
float fog_at(float distance) {
  return clamp((fFogEnd - distance) / max(fFogEnd - fFogStart, 1e-3), 0.0, 1.0);
}

@vertex standard_vs
out vec2 uv;
out vec4 colour;
out vec3 sunlight;
out vec4 sun_space;
out float fog;
void main() {
  vec4 world = matWorld * vec4(hm_position, 1.0);
  vec3 n = normalize(mat3(matWorld) * hm_normal);
  colour = vec4(hm_color.rgb * ambient_at(n), hm_color.a) * vMaterialColor;
  sunlight = hm_color.rgb * sun_at(n) * vMaterialColor.rgb;
  uv = hm_texcoord0 + texture_offset;
  sun_space = matSunViewProj * world;
  fog = fog_at(length((matWorldView * vec4(hm_position, 1.0)).xyz));
  gl_Position = hm_output(matWorldViewProj * vec4(hm_position, 1.0));
}

@vertex skin_vs
out vec2 uv;
out vec4 colour;
out vec3 sunlight;
out vec4 sun_space;
out float fog;
void main() {
  vec4 p = vec4(hm_position, 1.0);
  vec4 world = vec4(0.0);
  vec3 n = vec3(0.0);
  for (int i = 0; i < 4; ++i) {
    int bone = int(hm_blend_indices[i] + 0.5);
    world += hm_blend_weight[i] * (matWorldArray[bone] * p);
    n += hm_blend_weight[i] * (mat3(matWorldArray[bone]) * hm_normal);
  }
  world.w = 1.0;
  n = normalize(n);
  colour = vec4(hm_color.rgb * ambient_at(n), hm_color.a) * vMaterialColor;
  sunlight = hm_color.rgb * sun_at(n) * vMaterialColor.rgb;
  uv = hm_texcoord0 + texture_offset;
  sun_space = matSunViewProj * world;
  fog = fog_at(length((matView * world).xyz));
  gl_Position = hm_output(matViewProj * world);
}

@vertex depth_vs
out float depth;
void main() {
  vec4 clip = matWorldViewProj * vec4(hm_position, 1.0);
  depth = clip.z / clip.w;
  gl_Position = hm_output(clip);
}

@vertex depth_skin_vs
out float depth;
void main() {
  vec4 p = vec4(hm_position, 1.0);
  vec4 world = vec4(0.0);
  for (int i = 0; i < 4; ++i) world += hm_blend_weight[i] * (matWorldArray[int(hm_blend_indices[i] + 0.5)] * p);
  world.w = 1.0;
  vec4 clip = matViewProj * world;
  depth = clip.z / clip.w;
  gl_Position = hm_output(clip);
}

@vertex flat_vs
out vec2 uv;
out vec4 colour;
void main() {
  uv = hm_texcoord0;
  colour = hm_color * vMaterialColor;
  gl_Position = hm_output(matWorldViewProj * vec4(hm_position, 1.0));
}

@fragment textured_fs
in vec2 uv;
in vec4 colour;
in vec3 sunlight;
in vec4 sun_space;
in float fog;
void main() {
  vec4 tex = texture(diffuse_texture, uv);
  vec3 c = mix(vFogColor.rgb, tex.rgb * (colour.rgb + sunlight), fog);
  hm_frag_color = vec4(to_display(c), tex.a * colour.a);
}

@fragment textured_shadowed_fs
in vec2 uv;
in vec4 colour;
in vec3 sunlight;
in vec4 sun_space;
in float fog;
void main() {
  vec4 tex = texture(diffuse_texture, uv);
  vec3 c = mix(vFogColor.rgb, tex.rgb * (colour.rgb + sunlight * sunlight_at(sun_space)), fog);
  hm_frag_color = vec4(to_display(c), tex.a * colour.a);
}

@fragment font_fs
in vec2 uv;
in vec4 colour;
void main() {
  vec4 tex = texture(diffuse_texture, uv);
  hm_frag_color = vec4(colour.rgb, tex.a * colour.a);
}

@fragment flat_fs
in vec2 uv;
in vec4 colour;
void main() {
  hm_frag_color = texture(diffuse_texture, uv) * colour;
}

@fragment depth_fs
in float depth;
void main() {
  hm_frag_color = vec4(depth, depth, depth, 1.0);
}

// The silhouette in a character's shadow texture: full alpha where the
// character stands between the light and the ground.
@fragment character_shadow_fs
in float depth;
void main() {
  hm_frag_color = vec4(1.0);
}

@vertex water_vs
out vec2 uv;
out vec4 colour;
out vec4 mirrored;
out float fog;
void main() {
  vec3 n = normalize(mat3(matWorld) * hm_normal);
  colour = vec4(hm_color.rgb * light_at(n), hm_color.a) * vMaterialColor;
  uv = hm_texcoord0 + texture_offset;
  mirrored = matWaterWorldViewProj * vec4(hm_position, 1.0);
  fog = fog_at(length((matWorldView * vec4(hm_position, 1.0)).xyz));
  gl_Position = hm_output(matWorldViewProj * vec4(hm_position, 1.0));
}

// The water's own colour under the mirrored scene.
@fragment water_fs
in vec2 uv;
in vec4 colour;
in vec4 mirrored;
in float fog;
void main() {
  vec2 at = clamp(mirrored.xy / mirrored.w * vec2(0.5, -0.5) + 0.5, vec2(0.0), vec2(1.0));
  vec3 reflected = texture(env_texture, at).rgb;
  vec3 own = texture(diffuse_texture, uv).rgb * colour.rgb;
  vec3 c = mix(vFogColor.rgb, mix(own, reflected, 0.65), fog);
  hm_frag_color = vec4(to_display(c), max(colour.a, 0.75));
}

@technique def_shader
@pass vertex=standard_vs fragment=textured_fs

@technique def_shader_SHDW
@pass vertex=standard_vs fragment=textured_shadowed_fs

@technique skin_shader
@pass vertex=skin_vs fragment=textured_fs

@technique skin_shader_SHDW
@pass vertex=skin_vs fragment=textured_shadowed_fs

@technique font_shader
@pass vertex=flat_vs fragment=font_fs
@state alpha_blend_enable true
@state src_blend src_alpha
@state dest_blend inv_src_alpha
@state z_write_enable false

@technique water_shader
@pass vertex=water_vs fragment=water_fs
@state alpha_blend_enable true
@state src_blend src_alpha
@state dest_blend inv_src_alpha

@technique shadowmap_shader
@pass vertex=flat_vs fragment=flat_fs

@technique shadow_shader
@pass vertex=flat_vs fragment=flat_fs
@state alpha_blend_enable true
@state src_blend src_alpha
@state dest_blend inv_src_alpha
@state z_write_enable false

@technique render_to_depth
@pass vertex=depth_vs fragment=depth_fs
@state alpha_blend_enable false

@technique render_to_depth_skin
@pass vertex=depth_skin_vs fragment=depth_fs
@state alpha_blend_enable false

@technique render_character_shadow
@pass vertex=depth_vs fragment=character_shadow_fs
@state z_write_enable false

@technique render_character_shadow_with_skin
@pass vertex=depth_skin_vs fragment=character_shadow_fs
@state z_write_enable false
