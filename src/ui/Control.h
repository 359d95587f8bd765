// SPDX-License-Identifier: MIT
// One control of a toolkit-free form: everything a renderer needs to show it
// and everything the form's logic reads and writes. Controls are values
// owned by their form; they change only through the form's setters, which
// tell the renderer (see Form.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarnel::ui {

enum class ControlKind {
    Label,
    TextBox,
    CheckBox,
    ComboBox,  // drop-down list: the user picks an entry, never types
    CommandButton,
    Frame,       // captioned group box; controls inside name it as container
    PictureBox,  // panel that shows a picture and may hold other controls
    Image,       // a picture, nothing else
    Timer,       // invisible; ticks every interval while enabled
};

enum class Alignment { Left, Right, Center };

// Distances are in twips (1440 per inch), relative to the container's
// inner top-left corner (the form's client area, or the frame's box).
struct Control {
    std::string name;  // "cmdOK"; elements of control arrays "lblDeviceID(1)"
    ControlKind kind = ControlKind::Label;
    std::string container;  // name of the frame or picture box holding it; "" = form

    // Caption of labels, buttons, check boxes and frames; contents of text
    // boxes; the chosen entry's text is in list[listIndex] for combo boxes.
    std::string text;
    bool enabled = true;  // for a timer: whether it runs
    bool visible = true;

    int32_t value = 0;  // check box: 0 unticked, 1 ticked

    std::vector<std::string> list;  // combo box entries
    int32_t listIndex = -1;         // -1: nothing chosen

    int32_t maxLength = 0;     // text box: 0 = no limit
    std::string passwordChar;  // text box: "" shows the text, "*" masks it

    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;

    std::string picture;  // key into the form's image list; "" = none
    std::string tag;      // free text the logic keeps on the control
    std::string toolTip;  // "" = none

    bool isDefault = false;  // button pressed by Enter
    bool isCancel = false;   // button pressed by Escape

    int32_t interval = 0;  // timer, milliseconds

    // Labels.
    Alignment alignment = Alignment::Left;
    bool wordWrap = false;  // wrap inside width; the height is the model's
    bool autoSize = false;  // the logic sizes it to its text (SizeControls)
};

}  // namespace quarnel::ui
