#include "view/interaction_state.h"

#include "image/frame_names.h"
#include "view/transformer.h"

float dragInputX(int x) { return 0.33f * static_cast<float>(x); }

float dragInputY(int y, int windowHeight) { return 0.33f * static_cast<float>(windowHeight - y); }

// Both are in OpenGL order, which read row-major is the transpose: so the
// row-major product base * drag is drag * base in OpenGL order, with the same
// terms summed in the same order. Not the affine shortcut: in OpenGL order the
// last row is not where row-major code looks for it.
Mat4 composeDrag(const Mat4& drag, const Mat4& base) { return multiplyGeneral(base, drag); }

Mat4* dragTarget(ControlState& state)
{
    switch (state.interactionMode) {
    case InteractionMode::windDirection: return &state.windRotation;
    case InteractionMode::tree: return &state.treeRotation;
    case InteractionMode::light: return &state.lightRotation;
    default: return nullptr; // a value no mode has
    }
}

bool applyDrag(ControlState& state, const Mat4& drag, bool release)
{
    Mat4* target = dragTarget(state);
    if (!target) return false;
    const Mat4 m = composeDrag(drag, state.dragBase);
    *target = m;
    if (release) state.dragBase = m;
    return true;
}

DragKind dragKindFor(bool shift, bool ctrl, bool otherModifier)
{
    if (shift && !ctrl && !otherModifier) return DragKind::Zoom;
    if (ctrl && !shift && !otherModifier) return DragKind::Pan;
    return DragKind::Rotate;
}

Transformer* createTransformer(DragKind kind, int windowWidth, int windowHeight)
{
    switch (kind) {
    case DragKind::Zoom: {
        auto* zoom = new TransformerZoom;
        zoom->gain = 0.1f;
        return zoom;
    }
    case DragKind::Pan: {
        auto* pan = new TransformerPan;
        pan->gain = 0.1f;
        return pan;
    }
    case DragKind::Rotate:
        break;
    }
    return new TransformerArcBall(windowWidth, windowHeight);
}

namespace {
KeyResult flip(bool& flag)
{
    flag = !flag;
    return KeyResult::Handled;
}

// A drag series in the new mode starts from that mode's matrix.
bool chooseMode(ControlState& state, InteractionMode mode)
{
    state.interactionMode = mode;
    state.dragBase = *dragTarget(state);
    return true;
}
} // namespace

KeyResult applyKey(ControlState& state, unsigned char key)
{
    switch (key) {
    case 27:
        return KeyResult::Exit;
    case 'P':
    case 'p':
        state.galeMode = !state.galeMode;
        state.windMagnitude = state.galeMode ? 100.0 : 10.0;
        return KeyResult::Handled;
    case 'S':
    case 's':
        return flip(state.showShadows);
    case 'R':
    case 'r':
        state.windRotation = identity();
        state.treeRotation = identity();
        state.lightRotation = identity();
        state.dragBase = identity();
        return KeyResult::Handled;
    case 'T':
    case 't':
        return flip(state.realtime);
    case ' ':
        return flip(state.skeletonView);
    default:
        return KeyResult::Ignored;
    }
}

bool applyMenu(ControlState& state, int value)
{
    switch (value) {
    case 0:
        state.galeMode = !state.galeMode;
        return true;
    case static_cast<int>(InteractionMode::windDirection):
        return chooseMode(state, InteractionMode::windDirection);
    case static_cast<int>(InteractionMode::tree):
        return chooseMode(state, InteractionMode::tree);
    case static_cast<int>(InteractionMode::light):
        return chooseMode(state, InteractionMode::light);
    default:
        return false;
    }
}

KeyResult applyWindKey(WindDriver& p, unsigned char key, double t)
{
    // In the order of the presets' table.
    static constexpr const char* kPresetKeys[] = {"calm", "breeze", "gale", "strong-gale", "storm"};
    const bool preset = key >= '1' && key <= '5';
    if (!preset && key != 'g' && key != 'G') return KeyResult::Ignored;
    if (!p.scheduled) {
        p.schedule = constantSchedule(p.constant);
        p.scheduled = true;
    }
    if (preset)
        easeToPreset(p.schedule, t, kPresetKeys[key - '1']);
    else
        setGusts(p.schedule, p.schedule.gusts.enabled ? GustSettings{} : kDefaultGusts);
    return KeyResult::Handled;
}

void stepWindMagnitude(double& magnitude, bool increase)
{
    if (increase) {
        if (magnitude < 800.0) magnitude += 5.0;
    } else {
        if (magnitude > 50.0) magnitude -= 5.0;
    }
}

std::string captureFilePath(int frame) { return std::string(kCaptureDirectory) + "/" + frameFileName(frame); }
