# The engine's effect file: the parameters the renderer sets, the programs and
# the techniques that the core shaders name. Matrices are applied as `m * v`
# (the row vector v times the matrix as the engine stores it). Techniques with
# "_SHDW" add the sun's shadow map; the renderer falls back to the plain
# technique where a variant is missing.

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
// Sun, sky and ambient light on a world-space normal.
vec3 light_at(vec3 n) {
  float sun = max(dot(n, -vSunDir.xyz), 0.0);
  float sky = max(dot(n, -vSkyLightDir.xyz), 0.0);
  return vAmbientColor.rgb + vSunColor.rgb * sun + vSkyLightColor.rgb * sky;
}
float fog_at(float distance) {
  return clamp((fFogEnd - distance) / max(fFogEnd - fFogStart, 1e-3), 0.0, 1.0);
}

@vertex standard_vs
out vec2 uv;
out vec4 colour;
out vec4 sun_space;
out float fog;
void main() {
  vec4 world = matWorld * vec4(hm_position, 1.0);
  vec3 n = normalize(mat3(matWorld) * hm_normal);
  colour = vec4(hm_color.rgb * light_at(n), hm_color.a) * vMaterialColor;
  uv = hm_texcoord0 + texture_offset;
  sun_space = matSunViewProj * world;
  fog = fog_at(length((matWorldView * vec4(hm_position, 1.0)).xyz));
  gl_Position = hm_output(matWorldViewProj * vec4(hm_position, 1.0));
}

@vertex skin_vs
out vec2 uv;
out vec4 colour;
out vec4 sun_space;
out float fog;
void main() {
  // Each bone matrix turns a point about its bone's rest origin and moves it
  // to the posed bone, in the mesh's own space; matWorld then places it.
  vec4 p = vec4(hm_position, 1.0);
  vec4 posed = vec4(0.0);
  vec3 n = vec3(0.0);
  for (int i = 0; i < 4; ++i) {
    int bone = int(hm_blend_indices[i] + 0.5);
    posed += hm_blend_weight[i] * (matWorldArray[bone] * vec4(p.xyz - matBoneOriginArray[bone].xyz, 1.0));
    n += hm_blend_weight[i] * (mat3(matWorldArray[bone]) * hm_normal);
  }
  posed.w = 1.0;
  vec4 world = matWorld * posed;
  n = mat3(matWorld) * n;
  colour = vec4(hm_color.rgb * light_at(normalize(n)), hm_color.a) * vMaterialColor;
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
  vec4 posed = vec4(0.0);
  for (int i = 0; i < 4; ++i) {
    int bone = int(hm_blend_indices[i] + 0.5);
    posed += hm_blend_weight[i] * (matWorldArray[bone] * vec4(p.xyz - matBoneOriginArray[bone].xyz, 1.0));
  }
  posed.w = 1.0;
  vec4 clip = matViewProj * (matWorld * posed);
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
in vec4 sun_space;
in float fog;
void main() {
  vec4 tex = texture(diffuse_texture, uv);
  vec3 c = mix(vFogColor.rgb, tex.rgb * colour.rgb, fog);
  hm_frag_color = vec4(to_display(c), tex.a * colour.a);
}

@fragment textured_shadowed_fs
in vec2 uv;
in vec4 colour;
in vec4 sun_space;
in float fog;
void main() {
  vec4 tex = texture(diffuse_texture, uv);
  vec3 s = sun_space.xyz / sun_space.w;
  float lit = s.z <= texture(shadowmap_texture, s.xy).r + 0.002 ? 1.0 : 0.5;
  vec3 c = mix(vFogColor.rgb, tex.rgb * colour.rgb * lit, fog);
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

@fragment character_shadow_fs
in float depth;
void main() {
  hm_frag_color = vec4(0.0, 0.0, 0.0, 0.5);
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
