#!/usr/bin/env python3
"""Makes the sample show's scenes (glTF 2.0, one .gltf with its .bin each) and their textures (PNG).

Usage: make_scenes.py SHOW_DIR

Everything is authored in the player's own space: left-handed, y up, a camera looking along its +z axis. The
importer mirrors z (its left-handed conversion), and the player then stores vertex data as (x, z, -y) while it
uses node matrices as the importer leaves them; so each kind of value is mapped back to the file's space here:

- vertex positions and normals (x, y, z) are written as (x, -z, -y), and every triangle's winding is reversed
  (the importer flips it back);
- node translations (x, y, z) are written as (x, y, -z) and rotations (x, y, z, w) as (-x, -y, z, w);
- the player's field of view is the vertical angle and the importer hands it yfov x aspect, so yfov is the wanted
  angle divided by the aspect.

The player composes a node's world matrix as parent world x local with the parent on the left, a node's local
matrix from its keys as rotate, scale, translate, and a camera's placement from its own keys alone. The scenes
keep every drawn node, light and camera directly under an identity root and animate cameras through keys only.
Scales are uniform. Only the Python standard library is used.
"""

import json
import math
import os
import random
import struct
import sys
import zlib

ASPECT = 16.0 / 9.0


# ---- vectors and quaternions (player space) ------------------------------------------------------------------

def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def scale(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def normalize(a):
    length = math.sqrt(dot(a, a))
    return (a[0] / length, a[1] / length, a[2] / length) if length > 0 else (0.0, 0.0, 0.0)


def axis_angle(axis, angle):
    axis = normalize(axis)
    s = math.sin(angle / 2)
    return (axis[0] * s, axis[1] * s, axis[2] * s, math.cos(angle / 2))


def quat_multiply(a, b):
    """The rotation b followed by a (Hamilton product a * b)."""
    ax, ay, az, aw = a
    bx, by, bz, bw = b
    return (aw * bx + ax * bw + ay * bz - az * by,
            aw * by - ax * bz + ay * bw + az * bx,
            aw * bz + ax * by - ay * bx + az * bw,
            aw * bw - ax * bx - ay * by - az * bz)


def quat_from_basis(right, up, forward):
    """The rotation taking x, y, z to right, up, forward."""
    m = [[right[0], up[0], forward[0]], [right[1], up[1], forward[1]], [right[2], up[2], forward[2]]]
    trace = m[0][0] + m[1][1] + m[2][2]
    if trace > 0:
        s = math.sqrt(trace + 1.0) * 2
        q = ((m[2][1] - m[1][2]) / s, (m[0][2] - m[2][0]) / s, (m[1][0] - m[0][1]) / s, 0.25 * s)
    elif m[0][0] > m[1][1] and m[0][0] > m[2][2]:
        s = math.sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]) * 2
        q = (0.25 * s, (m[0][1] + m[1][0]) / s, (m[0][2] + m[2][0]) / s, (m[2][1] - m[1][2]) / s)
    elif m[1][1] > m[2][2]:
        s = math.sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]) * 2
        q = ((m[0][1] + m[1][0]) / s, 0.25 * s, (m[1][2] + m[2][1]) / s, (m[0][2] - m[2][0]) / s)
    else:
        s = math.sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]) * 2
        q = ((m[0][2] + m[2][0]) / s, (m[1][2] + m[2][1]) / s, 0.25 * s, (m[1][0] - m[0][1]) / s)
    length = math.sqrt(sum(c * c for c in q))
    return tuple(c / length for c in q)


def look_at(eye, target, up=(0.0, 1.0, 0.0), roll=0.0):
    forward = normalize(sub(target, eye))
    right = normalize(cross(up, forward))
    true_up = cross(forward, right)
    q = quat_from_basis(right, true_up, forward)
    if roll:
        q = quat_multiply(axis_angle(forward, roll), q)
    return q


def pointing(direction):
    """The rotation that turns a directional light (shining along its node's -y axis) to `direction`."""
    up = normalize(scale(direction, -1.0))
    helper = (1.0, 0.0, 0.0) if abs(up[0]) < 0.9 else (0.0, 0.0, 1.0)
    forward = normalize(cross(helper, up))
    right = cross(up, forward)
    return quat_from_basis(right, up, forward)


def continuous(quats):
    """Flips signs so that neighbouring keys take the short way."""
    out = [quats[0]]
    for q in quats[1:]:
        if sum(a * b for a, b in zip(out[-1], q)) < 0:
            q = tuple(-c for c in q)
        out.append(q)
    return out


# ---- player space to file space ----------------------------------------------------------------------------

def file_vertex(v):
    return (v[0], -v[2], -v[1])


def file_translation(t):
    return (t[0], t[1], -t[2])


def file_rotation(q):
    return (-q[0], -q[1], q[2], q[3])


# ---- meshes (player space, triangles facing along their normals) -------------------------------------------

class MeshData:
    def __init__(self):
        self.positions = []
        self.normals = []
        self.uvs = []
        self.triangles = []

    def vertex(self, p, n, uv):
        self.positions.append(p)
        self.normals.append(normalize(n))
        self.uvs.append(uv)
        return len(self.positions) - 1

    def triangle(self, a, b, c):
        # Front faces are those whose (b - a) x (c - a) points along the surface normal.
        pa, pb, pc = self.positions[a], self.positions[b], self.positions[c]
        face = cross(sub(pb, pa), sub(pc, pa))
        normal = add(add(self.normals[a], self.normals[b]), self.normals[c])
        if dot(face, face) < 1e-20:
            return
        if dot(face, normal) < 0:
            b, c = c, b
        self.triangles.append((a, b, c))


def grid_surface(mesh, columns, rows, point):
    """point(u, v) -> (position, normal, uv) over u, v in 0..1; (columns + 1) x (rows + 1) vertices."""
    first = len(mesh.positions)
    for j in range(rows + 1):
        for i in range(columns + 1):
            p, n, uv = point(i / columns, j / rows)
            mesh.vertex(p, n, uv)
    for j in range(rows):
        for i in range(columns):
            a = first + j * (columns + 1) + i
            b, c, d = a + 1, a + columns + 1, a + columns + 2
            mesh.triangle(a, b, d)
            mesh.triangle(a, d, c)


def plane(size_x, size_z, repeat, divisions=8):
    mesh = MeshData()

    def point(u, v):
        return ((u - 0.5) * size_x, 0.0, (0.5 - v) * size_z), (0.0, 1.0, 0.0), (u * repeat, v * repeat)

    grid_surface(mesh, divisions, divisions, point)
    return mesh


def sphere(radius, columns=40, rows=20, repeat=(2.0, 1.0)):
    mesh = MeshData()

    def point(u, v):
        theta, phi = u * 2 * math.pi, v * math.pi
        n = (math.sin(phi) * math.cos(theta), math.cos(phi), math.sin(phi) * math.sin(theta))
        return scale(n, radius), n, (u * repeat[0], v * repeat[1])

    grid_surface(mesh, columns, rows, point)
    return mesh


def sky_dome(radius):
    """A sphere seen from inside: u around the horizon, v from the zenith (0) to the nadir (1)."""
    mesh = MeshData()

    def point(u, v):
        theta, phi = u * 2 * math.pi, v * math.pi
        n = (math.sin(phi) * math.cos(theta), math.cos(phi), math.sin(phi) * math.sin(theta))
        return scale(n, radius), scale(n, -1.0), (u, v)

    grid_surface(mesh, 32, 16, point)
    return mesh


def tube(radius, length, columns=32, repeat=(8.0, 24.0)):
    """The inside of a tube along z from 0 to length."""
    mesh = MeshData()

    def point(u, v):
        theta = u * 2 * math.pi
        n = (math.cos(theta), math.sin(theta), 0.0)
        return (radius * n[0], radius * n[1], v * length), scale(n, -1.0), (u * repeat[0], v * repeat[1])

    grid_surface(mesh, columns, 24, point)
    return mesh


def torus(major, minor, columns=48, rows=16, repeat=(6.0, 1.0)):
    """A ring around the y axis."""
    mesh = MeshData()

    def point(u, v):
        theta, phi = u * 2 * math.pi, v * 2 * math.pi
        centre = (major * math.cos(theta), 0.0, major * math.sin(theta))
        n = (math.cos(phi) * math.cos(theta), math.sin(phi), math.cos(phi) * math.sin(theta))
        return add(centre, scale(n, minor)), n, (u * repeat[0], v * repeat[1])

    grid_surface(mesh, columns, rows, point)
    return mesh


def box(sx, sy, sz, repeat=1.0):
    mesh = MeshData()
    faces = [((1, 0, 0), (0, 0, 1), (0, 1, 0)), ((-1, 0, 0), (0, 0, -1), (0, 1, 0)),
             ((0, 1, 0), (1, 0, 0), (0, 0, 1)), ((0, -1, 0), (1, 0, 0), (0, 0, -1)),
             ((0, 0, 1), (-1, 0, 0), (0, 1, 0)), ((0, 0, -1), (1, 0, 0), (0, 1, 0))]
    half = (sx / 2, sy / 2, sz / 2)
    for normal, du, dv in faces:
        centre = tuple(normal[k] * half[k] for k in range(3))
        extent_u = sum(abs(du[k]) * half[k] for k in range(3))
        extent_v = sum(abs(dv[k]) * half[k] for k in range(3))

        def point(u, v, centre=centre, du=du, dv=dv, normal=normal, eu=extent_u, ev=extent_v):
            p = add(centre, add(scale(du, (u - 0.5) * 2 * eu), scale(dv, (0.5 - v) * 2 * ev)))
            return p, normal, (u * repeat, v * repeat)

        grid_surface(mesh, 1, 1, point)
    return mesh


def cylinder(radius, height, columns=24, repeat=(2.0, 2.0)):
    """Open-ended tube along y from 0 to height, with a cap on top."""
    mesh = MeshData()

    def side(u, v):
        theta = u * 2 * math.pi
        n = (math.cos(theta), 0.0, math.sin(theta))
        return (radius * n[0], height * (1 - v), radius * n[2]), n, (u * repeat[0], v * repeat[1])

    grid_surface(mesh, columns, 4, side)
    centre = mesh.vertex((0.0, height, 0.0), (0, 1, 0), (0.5, 0.5))
    ring = [mesh.vertex((radius * math.cos(a), height, radius * math.sin(a)), (0, 1, 0),
                        (0.5 + 0.5 * math.cos(a), 0.5 + 0.5 * math.sin(a)))
            for a in (i * 2 * math.pi / columns for i in range(columns + 1))]
    for i in range(columns):
        mesh.triangle(centre, ring[i], ring[i + 1])
    return mesh


# ---- PNG textures ------------------------------------------------------------------------------------------

def write_png(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b) bytes; 8-bit RGB."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        out.write(chunk(b"IEND", b""))


def clamp_byte(value):
    return max(0, min(255, int(round(value))))


def height_to_normal(heights, size, strength):
    """A tangent-space normal map of a height field: x along +u, y along +v (down the image), z out."""
    def pixel(x, y):
        dx = heights[y][(x + 1) % size] - heights[y][(x - 1) % size]
        dy = heights[(y + 1) % size][x] - heights[(y - 1) % size][x]
        n = normalize((-dx * strength, -dy * strength, 1.0))
        return (clamp_byte((n[0] * 0.5 + 0.5) * 255), clamp_byte((n[1] * 0.5 + 0.5) * 255),
                clamp_byte((n[2] * 0.5 + 0.5) * 255))
    return pixel


def value_noise(size, cells, seed):
    rng = random.Random(seed)
    lattice = [[rng.random() for _ in range(cells)] for _ in range(cells)]

    def smooth(t):
        return t * t * (3 - 2 * t)

    heights = []
    for y in range(size):
        row = []
        for x in range(size):
            fx, fy = x * cells / size, y * cells / size
            x0, y0 = int(fx), int(fy)
            tx, ty = smooth(fx - x0), smooth(fy - y0)
            a = lattice[y0 % cells][x0 % cells]
            b = lattice[y0 % cells][(x0 + 1) % cells]
            c = lattice[(y0 + 1) % cells][x0 % cells]
            d = lattice[(y0 + 1) % cells][(x0 + 1) % cells]
            row.append((a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty)
        heights.append(row)
    return heights


def make_textures(directory):
    size = 256
    tiles = 4
    rng = random.Random(7)
    shade = [[0.75 + 0.25 * rng.random() for _ in range(tiles)] for _ in range(tiles)]
    cell = size // tiles

    def tile_height(x, y):
        ex = min(x % cell, cell - 1 - x % cell)
        ey = min(y % cell, cell - 1 - y % cell)
        edge = min(ex, ey)
        return min(1.0, edge / 6.0)

    def tile_colour(x, y):
        if tile_height(x, y) < 0.34:
            return (70, 66, 60)
        s = shade[y // cell][x // cell]
        grain = 0.92 + 0.08 * math.sin(x * 0.7 + y * 0.3) * math.sin(y * 0.45)
        return (clamp_byte(200 * s * grain), clamp_byte(182 * s * grain), clamp_byte(150 * s * grain))

    write_png(os.path.join(directory, "tiles.png"), size, size, tile_colour)
    heights = [[tile_height(x, y) for x in range(size)] for y in range(size)]
    write_png(os.path.join(directory, "tiles_normal.png"), size, size, height_to_normal(heights, size, 3.0))

    noise = value_noise(size, 16, 11)
    fine = value_noise(size, 64, 12)
    stone = [[0.7 * noise[y][x] + 0.3 * fine[y][x] for x in range(size)] for y in range(size)]

    def stone_colour(x, y):
        h = stone[y][x]
        return (clamp_byte(90 + 120 * h), clamp_byte(96 + 110 * h), clamp_byte(110 + 100 * h))

    write_png(os.path.join(directory, "stone.png"), size, size, stone_colour)
    write_png(os.path.join(directory, "stone_normal.png"), size, size, height_to_normal(stone, size, 12.0))

    def panel(x, y):
        # Glowing strips across a dark panel.
        band = (y // 16) % 4 == 0 and 3 < (x % 64) < 60
        return (255, 140, 40) if band else (0, 0, 0)

    write_png(os.path.join(directory, "panel_emissive.png"), size, size, panel)

    def gradient(stops):
        def colour(_x, y):
            v = y / 255.0
            for (v0, c0), (v1, c1) in zip(stops, stops[1:]):
                if v <= v1:
                    t = (v - v0) / (v1 - v0)
                    return tuple(clamp_byte(a + (b - a) * t) for a, b in zip(c0, c1))
            return stops[-1][1]
        return colour

    write_png(os.path.join(directory, "sky_night.png"), 16, 256,
              gradient([(0.0, (8, 10, 24)), (0.45, (30, 36, 62)), (0.5, (52, 50, 66)), (1.0, (10, 10, 14))]))
    write_png(os.path.join(directory, "sky_dusk.png"), 16, 256,
              gradient([(0.0, (24, 34, 80)), (0.35, (120, 90, 120)), (0.49, (255, 150, 80)),
                        (0.52, (90, 60, 50)), (1.0, (20, 16, 14))]))
    stars = random.Random(3)
    starry = {(stars.randrange(1024), stars.randrange(512)): 120 + stars.randrange(135) for _ in range(1500)}

    def space(x, y):
        base = (4, 5, 12)
        level = starry.get((x, y))
        if level:
            return (level, level, clamp_byte(level * 1.1))
        glow = max(0.0, 1.0 - abs(y - 256) / 120.0) * 18
        return (clamp_byte(base[0] + glow * 0.6), clamp_byte(base[1] + glow * 0.4), clamp_byte(base[2] + glow))

    write_png(os.path.join(directory, "sky_space.png"), 1024, 512, space)


# ---- glTF writer -------------------------------------------------------------------------------------------

class Gltf:
    def __init__(self, name):
        self.name = name
        self.binary = bytearray()
        self.doc = {"asset": {"version": "2.0", "generator": "make_scenes.py"}, "scene": 0,
                    "scenes": [{"nodes": [0]}], "nodes": [{"name": "Root", "children": []}], "meshes": [],
                    "materials": [], "accessors": [], "bufferViews": [], "cameras": [], "animations": []}
        self.lights = []
        self.images = {}
        self.textures = []
        self.channels = []
        self.samplers = []

    def _view(self, data, target=None):
        while len(self.binary) % 4:
            self.binary.append(0)
        view = {"buffer": 0, "byteOffset": len(self.binary), "byteLength": len(data)}
        if target:
            view["target"] = target
        self.binary.extend(data)
        self.doc["bufferViews"].append(view)
        return len(self.doc["bufferViews"]) - 1

    def _accessor(self, values, kind, target=None, with_bounds=False):
        width = {"SCALAR": 1, "VEC2": 2, "VEC3": 3, "VEC4": 4}[kind]
        flat = [c for v in values for c in (v if width > 1 else (v,))]
        view = self._view(struct.pack("<%df" % len(flat), *flat), target)
        accessor = {"bufferView": view, "componentType": 5126, "count": len(values), "type": kind}
        if with_bounds:
            columns = list(zip(*values)) if width > 1 else [values]
            accessor["min"] = [min(c) for c in columns]
            accessor["max"] = [max(c) for c in columns]
        self.doc["accessors"].append(accessor)
        return len(self.doc["accessors"]) - 1

    def _indices(self, triangles):
        flat = [i for t in triangles for i in t]
        view = self._view(struct.pack("<%dI" % len(flat), *flat), 34963)
        self.doc["accessors"].append({"bufferView": view, "componentType": 5125, "count": len(flat),
                                      "type": "SCALAR"})
        return len(self.doc["accessors"]) - 1

    def texture(self, file_name):
        if file_name not in self.images:
            self.images[file_name] = len(self.images)
            self.textures.append({"source": self.images[file_name]})
        return {"index": self.images[file_name]}

    def material(self, name, colour, shininess=32.0, emissive=None, diffuse_map=None, normal_map=None,
                 emissive_map=None):
        # The importer turns roughness r into the shininess (1 - r)^2 x 1000.
        roughness = 1.0 - math.sqrt(shininess / 1000.0)
        pbr = {"baseColorFactor": list(colour), "roughnessFactor": roughness, "metallicFactor": 0.0}
        material = {"name": name, "pbrMetallicRoughness": pbr}
        if diffuse_map:
            pbr["baseColorTexture"] = self.texture(diffuse_map)
        if normal_map:
            material["normalTexture"] = self.texture(normal_map)
        if emissive:
            material["emissiveFactor"] = list(emissive)
        if emissive_map:
            material["emissiveTexture"] = self.texture(emissive_map)
            material.setdefault("emissiveFactor", [1.0, 1.0, 1.0])
        self.doc["materials"].append(material)
        return len(self.doc["materials"]) - 1

    def mesh(self, name, data, material, normals=True):
        """normals=False writes none: the player leaves such a mesh unlit (ambient and emissive only)."""
        positions = [file_vertex(p) for p in data.positions]
        normals = [file_vertex(n) for n in data.normals]
        triangles = [(a, c, b) for a, b, c in data.triangles]  # the importer reverses them again
        attributes = {"POSITION": self._accessor(positions, "VEC3", 34962, True)}
        if normals:
            attributes["NORMAL"] = self._accessor(normals, "VEC3", 34962)
        attributes["TEXCOORD_0"] = self._accessor(data.uvs, "VEC2", 34962)
        primitive = {"attributes": attributes, "indices": self._indices(triangles), "material": material}
        self.doc["meshes"].append({"name": name, "primitives": [primitive]})
        return len(self.doc["meshes"]) - 1

    def node(self, name, translation=(0, 0, 0), rotation=(0, 0, 0, 1), uniform_scale=1.0, **extra):
        node = {"name": name, "translation": list(file_translation(translation)),
                "rotation": list(file_rotation(rotation)), "scale": [uniform_scale] * 3}
        node.update(extra)
        self.doc["nodes"].append(node)
        index = len(self.doc["nodes"]) - 1
        self.doc["nodes"][0]["children"].append(index)
        return index

    def camera(self, name, vertical_fov, near=0.1, far=200.0):
        self.doc["cameras"].append({"name": name, "type": "perspective",
                                    "perspective": {"yfov": vertical_fov / ASPECT, "aspectRatio": ASPECT,
                                                    "znear": near, "zfar": far}})
        return self.node(name, camera=len(self.doc["cameras"]) - 1)

    def light(self, name, kind, colour, intensity, translation=(0, 0, 0), rotation=(0, 0, 0, 1)):
        self.lights.append({"name": name, "type": kind, "color": list(colour), "intensity": intensity})
        return self.node(name, translation, rotation,
                         extensions={"KHR_lights_punctual": {"light": len(self.lights) - 1}})

    def animate(self, node, times, translations, rotations, scales=None):
        """Keys for all three paths of a node (player space); scales are uniform factors."""
        scales = scales or [1.0] * len(times)
        time_accessor = self._accessor(list(times), "SCALAR", None, True)
        paths = (("translation", [file_translation(t) for t in translations], "VEC3"),
                 ("rotation", [file_rotation(q) for q in continuous(rotations)], "VEC4"),
                 ("scale", [(s, s, s) for s in scales], "VEC3"))
        for path, values, kind in paths:
            self.samplers.append({"input": time_accessor, "output": self._accessor(values, kind),
                                  "interpolation": "LINEAR"})
            self.channels.append({"sampler": len(self.samplers) - 1, "target": {"node": node, "path": path}})
        first = self.doc["nodes"][node]
        first["translation"] = list(file_translation(translations[0]))
        first["rotation"] = list(file_rotation(rotations[0]))
        first["scale"] = [scales[0]] * 3

    def write(self, directory):
        doc = self.doc
        if self.channels:
            doc["animations"] = [{"name": "Show", "channels": self.channels, "samplers": self.samplers}]
        if self.lights:
            doc["extensionsUsed"] = ["KHR_lights_punctual"]
            doc["extensions"] = {"KHR_lights_punctual": {"lights": self.lights}}
        if self.images:
            doc["images"] = [{"uri": "../textures/" + name} for name in self.images]
            doc["textures"] = self.textures
        for key in ("cameras", "animations", "materials"):
            if not doc[key]:
                del doc[key]
        bin_name = self.name + ".bin"
        doc["buffers"] = [{"uri": bin_name, "byteLength": len(self.binary)}]
        with open(os.path.join(directory, bin_name), "wb") as out:
            out.write(self.binary)
        with open(os.path.join(directory, self.name + ".gltf"), "w") as out:
            json.dump(doc, out, indent=1)
            out.write("\n")


def add_sky(scene, texture):
    """Added last: drawn after everything in front of it, most of its pixels fail the depth test early."""
    material = scene.material("Sky", (1, 1, 1, 1), 1.0, emissive=(1.0, 1.0, 1.0), diffuse_map=texture)
    scene.node("Sky", mesh=scene.mesh("Sky", sky_dome(150.0), material, normals=False))


def sample_times(duration, count):
    return [duration * i / (count - 1) for i in range(count)]


def camera_path(scene, name, times, eyes, targets, rolls=None, fov=0.9):
    node = scene.camera(name, fov)
    rolls = rolls or [0.0] * len(times)
    rotations = [look_at(e, t, roll=r) for e, t, r in zip(eyes, targets, rolls)]
    scene.animate(node, times, eyes, rotations)
    return node


def still(scene, node, duration, translation, rotation=(0, 0, 0, 1), uniform_scale=1.0):
    scene.animate(node, [0.0, duration], [translation] * 2, [rotation] * 2, [uniform_scale] * 2)


# ---- the scenes --------------------------------------------------------------------------------------------

def hall(directory):
    """A tiled hall lined with pillars, a glowing stone orb at its end; lights drift along it."""
    duration = 16.0
    s = Gltf("hall")
    floor_material = s.material("Tiles", (1, 1, 1, 1), 60.0, diffuse_map="tiles.png", normal_map="tiles_normal.png")
    pillar_material = s.material("Marble", (0.82, 0.8, 0.76, 1), 120.0)
    orb_material = s.material("Orb", (1, 1, 1, 1), 40.0, emissive=(0.2, 0.35, 0.6), diffuse_map="stone.png",
                              normal_map="stone_normal.png")
    floor = s.mesh("Floor", plane(12, 40, 10), floor_material)
    pillar = s.mesh("Pillar", cylinder(0.45, 5.0), pillar_material)
    orb = s.mesh("Orb", sphere(1.6), orb_material)

    s.node("Floor", (0, 0, 10), mesh=floor)
    for side in (-1, 1):
        for k in range(6):
            s.node("Pillar%s%d" % ("L" if side < 0 else "R", k), (side * 4.0, 0, -6 + 6 * k), mesh=pillar)
    orb_node = s.node("Orb", (0, 2.2, 26), mesh=orb)
    times = sample_times(duration, 33)
    s.animate(orb_node, times, [(0, 2.2 + 0.3 * math.sin(t * 0.8), 26) for t in times],
              [axis_angle((0.2, 1, 0.1), t * 0.35) for t in times])

    lights = [("Warm", (1.0, 0.75, 0.45), 14.0, -2.0, 0.0), ("Cool", (0.45, 0.6, 1.0), 14.0, 2.0, 4.0),
              ("Amber", (1.0, 0.55, 0.25), 10.0, 0.0, 8.0)]
    for name, colour, intensity, x, phase in lights:
        node = s.light(name, "point", colour, intensity)
        s.animate(node, times, [(x + math.sin(t * 0.5 + phase), 3.2, -4 + 1.5 * (t + phase))
                                for t in times], [(0, 0, 0, 1)] * len(times))
    sun = s.light("Sky", "directional", (0.55, 0.6, 0.75), 0.6)
    still(s, sun, duration, (0, 10, 0), pointing((0.3, -1.0, 0.5)))

    camera_path(s, "Camera", times, [(math.sin(t * 0.3) * 0.8, 1.7 + 0.2 * math.sin(t * 0.5), -9 + t * 1.4)
                                     for t in times],
                [(0, 2.0, 26) for _ in times])
    crane = [(-6 + 0.5 * t, 9 - 0.35 * t, 2 + 1.0 * t) for t in times]
    camera_path(s, "CameraHigh", times, crane, [(0, 1.5, 18 + 0.3 * t) for t in times], fov=1.0)
    add_sky(s, "sky_night.png")
    s.write(directory)


def orbit(directory):
    """A bumpy stone planet with spinning rings and moons; coloured lights circle it."""
    duration = 16.0
    s = Gltf("orbit")
    planet_material = s.material("Stone", (1, 1, 1, 1), 12.0, diffuse_map="stone.png", normal_map="stone_normal.png")
    ring_material = s.material("Brass", (0.9, 0.7, 0.35, 1), 200.0)
    moon_material = s.material("Chalk", (0.85, 0.87, 0.9, 1), 8.0)
    glow_material = s.material("Ember", (1.0, 0.5, 0.2, 1), 30.0, emissive=(1.0, 0.9, 0.6))
    planet = s.mesh("Planet", sphere(2.0, 48, 24), planet_material)
    ring = s.mesh("Ring", torus(3.4, 0.12), ring_material)
    wide_ring = s.mesh("WideRing", torus(4.3, 0.08), ring_material)
    moon = s.mesh("Moon", sphere(0.45, 24, 12), moon_material)
    ember = s.mesh("Ember", box(0.5, 0.5, 0.5), glow_material)

    times = sample_times(duration, 65)
    planet_node = s.node("Planet", mesh=planet)
    s.animate(planet_node, times, [(0, 0, 0)] * len(times), [axis_angle((0, 1, 0), t * 0.25) for t in times])
    ring_node = s.node("Ring", mesh=ring)
    s.animate(ring_node, times, [(0, 0, 0)] * len(times),
              [quat_multiply(axis_angle((0, 1, 0), t * 0.6), axis_angle((1, 0, 0.3), 0.45)) for t in times])
    wide_node = s.node("WideRing", mesh=wide_ring)
    s.animate(wide_node, times, [(0, 0, 0)] * len(times),
              [quat_multiply(axis_angle((0, 1, 0), -t * 0.4), axis_angle((0.2, 0, 1), -0.3)) for t in times])
    for k in range(3):
        radius, speed, phase = 6.0 + 1.5 * k, 0.5 - 0.12 * k, k * 2.1
        node = s.node("Moon%d" % k, mesh=moon)
        s.animate(node, times, [(radius * math.cos(t * speed + phase), 0.8 * math.sin(t * speed * 2 + phase),
                                 radius * math.sin(t * speed + phase)) for t in times],
                  [axis_angle((0, 1, 0), t) for t in times], [0.7 + 0.3 * k] * len(times))
    for k in range(5):
        node = s.node("Ember%d" % k, mesh=ember)
        angle = k * 2 * math.pi / 5
        s.animate(node, times, [(3.0 * math.cos(angle + t * 0.6), 2.6 + 0.3 * math.sin(t * 2 + k),
                                 3.0 * math.sin(angle + t * 0.6)) for t in times],
                  [axis_angle((1, 1, 0), t * 1.5 + k) for t in times],
                  [0.8 + 0.3 * math.sin(t * 3 + k) for t in times])

    colours = [(1.0, 0.35, 0.2), (0.2, 0.5, 1.0), (0.3, 1.0, 0.5), (1.0, 0.85, 0.4)]
    for k, colour in enumerate(colours):
        node = s.light("Light%d" % k, "point", colour, 30.0)
        angle = k * math.pi / 2
        s.animate(node, times, [(7.0 * math.cos(angle - t * 0.45), 2.5 * math.sin(t * 0.7 + k), 7.0 *
                                 math.sin(angle - t * 0.45)) for t in times], [(0, 0, 0, 1)] * len(times))
    key = s.light("Key", "directional", (1.0, 0.95, 0.9), 0.5)
    still(s, key, duration, (0, 0, 0), pointing((-0.6, -0.5, 0.6)))

    eyes = [(13.0 * math.sin(t * 0.22), 3.0 + 2.0 * math.sin(t * 0.3), -13.0 * math.cos(t * 0.22)) for t in times]
    camera_path(s, "Camera", times, eyes, [(0, 0, 0)] * len(times), fov=0.85)
    close = [(5.5 * math.sin(1.0 + t * 0.35), 1.2, -5.5 * math.cos(1.0 + t * 0.35)) for t in times]
    camera_path(s, "CameraClose", times, close, [(0, 0.5, 0)] * len(times), fov=0.95)
    add_sky(s, "sky_space.png")
    s.write(directory)


def tunnel(directory):
    """A flight through a tunnel of rings and glowing panels."""
    duration = 16.0
    length = 96.0
    s = Gltf("tunnel")
    ring_material = s.material("Steel", (0.6, 0.62, 0.68, 1), 150.0)
    panel_material = s.material("Panel", (0.15, 0.15, 0.17, 1), 30.0, diffuse_map="tiles.png",
                                emissive_map="panel_emissive.png")
    floor_material = s.material("Grate", (0.4, 0.4, 0.42, 1), 50.0, diffuse_map="tiles.png",
                                normal_map="tiles_normal.png")
    ring = s.mesh("Ring", torus(3.2, 0.25, 40, 12), ring_material)
    panel = s.mesh("Panel", box(0.2, 1.6, 3.2), panel_material)
    floor = s.mesh("Floor", plane(4.0, length + 8, 24), floor_material)

    s.node("Floor", (0, -3.0, length / 2), mesh=floor)
    wall_material = s.material("Wall", (0.35, 0.36, 0.4, 1), 16.0, diffuse_map="stone.png",
                               normal_map="stone_normal.png")
    s.node("Wall", (0, 0, -4.0), mesh=s.mesh("Wall", tube(3.9, length + 8), wall_material))
    for k in range(int(length / 4) + 1):
        z = k * 4.0
        # The ring's axis is y; turning it a quarter about x makes it face along the tunnel.
        s.node("Ring%02d" % k, (0, 0, z), quat_multiply(axis_angle((0, 0, 1), k * 0.2), axis_angle((1, 0, 0),
                                                                                                  math.pi / 2)),
               mesh=ring)
        if k % 2 == 0:
            for side in (-1, 1):
                s.node("Panel%02d%s" % (k, "L" if side < 0 else "R"), (side * 2.6, 0.4, z + 2.0),
                       axis_angle((0, 0, 1), -side * 0.25), mesh=panel)

    times = sample_times(duration, 65)
    for k in range(6):
        colour = [(1.0, 0.4, 0.1), (0.1, 0.6, 1.0), (1.0, 0.2, 0.6)][k % 3]
        node = s.light("Lamp%d" % k, "point", colour, 5.0)
        s.animate(node, times, [(1.6 * math.cos(t * 1.3 + k), 1.6 * math.sin(t * 1.3 + k),
                                 k * 16.0 + t * 3.0) for t in times], [(0, 0, 0, 1)] * len(times))
    fill = s.light("Fill", "directional", (0.35, 0.4, 0.5), 0.5)
    still(s, fill, duration, (0, 0, 0), pointing((0.2, -0.4, 1.0)))

    eyes = [(0.6 * math.sin(t * 0.9), 0.3 * math.cos(t * 0.7), 2.0 + t * 5.5) for t in times]
    targets = [(0.6 * math.sin(t * 0.9 + 0.5), 0.3 * math.cos(t * 0.7 + 0.5), 12.0 + t * 5.5) for t in times]
    camera_path(s, "Camera", times, eyes, targets, [0.6 * math.sin(t * 0.4) for t in times], fov=1.1)
    s.write(directory)


def field(directory):
    """A field of blocks that rise and fall around a bright crystal; the camera pulls back at sunset."""
    duration = 16.0
    s = Gltf("field")
    ground_material = s.material("Ground", (1, 1, 1, 1), 10.0, diffuse_map="stone.png",
                                 normal_map="stone_normal.png")
    block_materials = [s.material("Block%d" % k, colour, 20.0 + 40.0 * k)
                       for k, colour in enumerate([(0.8, 0.3, 0.25, 1), (0.25, 0.45, 0.8, 1),
                                                   (0.85, 0.8, 0.7, 1)])]
    crystal_material = s.material("Crystal", (0.6, 0.9, 1.0, 1), 300.0, emissive=(0.5, 0.8, 1.0))
    ground = s.mesh("Ground", plane(60, 60, 12), ground_material)
    blocks = [s.mesh("Block%d" % k, box(1.0, 1.0, 1.0), m) for k, m in enumerate(block_materials)]
    crystal = s.mesh("Crystal", sphere(1.0, 6, 4, (1, 1)), crystal_material)

    s.node("Ground", mesh=ground)
    times = sample_times(duration, 33)
    rng = random.Random(5)
    for gx in range(-5, 6):
        for gz in range(-5, 6):
            if abs(gx) <= 1 and abs(gz) <= 1:
                continue
            x, z = gx * 2.2, gz * 2.2
            node = s.node("Block_%d_%d" % (gx, gz), mesh=blocks[(gx + gz) % 3])
            height = 0.6 + 0.5 * rng.random()
            phase = math.hypot(x, z) * 0.35
            s.animate(node, times, [(x, 0.5 * height + 0.6 * max(0.0, math.sin(t * 1.2 - phase)), z) for t in times],
                      [axis_angle((0, 1, 0), 0.3 * math.sin(t * 0.5 + phase)) for t in times],
                      [height] * len(times))
    crystal_node = s.node("Crystal", mesh=crystal)
    s.animate(crystal_node, times, [(0, 2.5 + 0.4 * math.sin(t), 0) for t in times],
              [axis_angle((0, 1, 0), t * 0.8) for t in times], [1.0 + 0.15 * math.sin(t * 2.0) for t in times])

    glow = s.light("CrystalLight", "point", (0.5, 0.8, 1.0), 20.0)
    s.animate(glow, times, [(0, 2.5 + 0.4 * math.sin(t), 0) for t in times], [(0, 0, 0, 1)] * len(times))
    sun = s.light("Sun", "directional", (1.0, 0.6, 0.35), 0.9)
    s.animate(sun, times, [(0, 0, 0)] * len(times),
              [pointing((-0.8, -0.35 - 0.01 * t, 0.6)) for t in times])

    eyes = [(3.0 + 0.6 * t, 2.0 + 0.9 * t, -6.0 - 1.3 * t) for t in times]
    camera_path(s, "Camera", times, eyes, [(0, 1.5, 0)] * len(times), fov=0.9)
    low = [(16.0 * math.cos(t * 0.25), 1.8, 16.0 * math.sin(t * 0.25)) for t in times]
    camera_path(s, "CameraLow", times, low, [(0, 2.2, 0)] * len(times), fov=0.8)
    add_sky(s, "sky_dusk.png")
    s.write(directory)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_scenes.py SHOW_DIR\n")
        return 2
    show = sys.argv[1]
    scenes = os.path.join(show, "resources", "scenes")
    textures = os.path.join(show, "resources", "textures")
    os.makedirs(scenes, exist_ok=True)
    os.makedirs(textures, exist_ok=True)
    make_textures(textures)
    for make in (hall, orbit, tunnel, field):
        make(scenes)
    return 0


if __name__ == "__main__":
    sys.exit(main())
