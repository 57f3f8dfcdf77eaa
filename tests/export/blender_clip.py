# Blender's own glTF importer on an export: the armature has the bones asked
# for, the clip is there, and posing it at its first, middle and last frames
# moves the bones. Run as: blender -b --python blender_clip.py -- FILE.glb BONES
# (Blender 3.4's importer needs numpy.bool, which numpy 1.24 dropped.)
import numpy; numpy.bool = bool
import bpy, sys
path, want = sys.argv[sys.argv.index('--') + 1], int(sys.argv[sys.argv.index('--') + 2])
bpy.ops.wm.read_factory_settings(use_empty=True)
bpy.ops.import_scene.gltf(filepath=path)
arms = [o for o in bpy.data.objects if o.type == 'ARMATURE']
bones = max(len(a.data.bones) for a in arms)
acts = [a for a in bpy.data.actions]
lo, hi = min(a.frame_range[0] for a in acts), max(a.frame_range[1] for a in acts)
arm = max(arms, key=lambda a: len(a.data.bones))
tips = []
for f in (int(lo), int((lo + hi) / 2), int(hi)):
    bpy.context.scene.frame_set(f)
    tips.append(max(pb.head.length for pb in arm.pose.bones))
print(f"BLENDER bones {bones} actions {len(acts)} frames {lo}-{hi} moved {max(tips) - min(tips):.4f}")
ok = bones == want and hi > lo and max(tips) > min(tips)
sys.exit(0 if ok else 1)
