// Tells dudo where the focused window's frame is: GNOME Shell answers
// window questions only to its own tools. One method on the user's own
// session bus, on the shell's connection; nothing else is read or shown.
'use strict';

const {Gio} = imports.gi;

const kInterface = `<node>
  <interface name="io.github.dudo.FocusedWindow">
    <method name="FrameRect">
      <arg type="b" direction="out" name="focused"/>
      <arg type="i" direction="out" name="x"/>
      <arg type="i" direction="out" name="y"/>
      <arg type="i" direction="out" name="width"/>
      <arg type="i" direction="out" name="height"/>
    </method>
  </interface>
</node>`;

// In the layout's logical units, the frame the shell draws included.
class FocusedWindow {
    FrameRect() {
        const window = global.display.focus_window;
        if (!window)
            return [false, 0, 0, 0, 0];
        const r = window.get_frame_rect();
        return [true, r.x, r.y, r.width, r.height];
    }
}

function init() {
    let exported = null;
    return {
        enable() {
            exported = Gio.DBusExportedObject.wrapJSObject(kInterface, new FocusedWindow());
            exported.export(Gio.DBus.session, '/io/github/dudo/FocusedWindow');
        },
        disable() {
            exported?.unexport();
            exported = null;
        },
    };
}
