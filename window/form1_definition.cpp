#include "window/form1_definition.h"

namespace tessiva {
namespace {

constexpr std::uint32_t kPureBlue = 0x0000FF;

ControlDefinition control(const char* name, ControlKind kind, const char* caption, double left, double top,
                          double width, double height, int tabIndex, bool visible) {
    ControlDefinition c;
    c.name = name;
    c.kind = kind;
    c.caption = caption;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.tabIndex = tabIndex;
    c.visible = visible;
    return c;
}

FontDefinition arial(double points, bool underline = false) { return FontDefinition{"Arial", points, 400, underline}; }

FormDefinition build() {
    FormDefinition form;
    form.name = "Form1";
    form.caption = "Form1";
    form.borderStyle = 0;
    form.clientWidth = 5145;
    form.clientHeight = 3150;
    form.icon = PictureId::WindowIcon;

    using K = ControlKind;
    auto ok = control("CmdOK", K::CommandButton, "OK", 3840, 2520, 1215, 495, 3, false);
    auto cancel = control("CmdCancel", K::CommandButton, "Cancel", 2520, 2520, 1215, 495, 2, false);
    auto check = control("Check1", K::CheckBox, "Play sound", 240, 2160, 1215, 375, 1, false);
    check.value = 1;
    auto label4 = control("Label4", K::Label, kCodecAddress, 225, 1680, 4695, 495, 6, true);
    label4.font = arial(12, true);
    label4.foreColor = kPureBlue;
    label4.mouseIcon = PictureId::HandPointer;
    auto label2 = control("Label2", K::Label, "Download FREE screensavers from:", 600, 240, 3855, 495, 5, false);
    label2.font = arial(12);
    auto label3 = control("Label3", K::Label, kPublisherAddress, 1005, 720, 3135, 375, 4, false);
    label3.font = arial(11.25, true);
    label3.foreColor = kPureBlue;
    label3.mouseIcon = PictureId::HandPointer;
    auto label1 = control("Label1", K::Label, "Download latest codec from:", 120, 1320, 3015, 375, 0, false);
    label1.font = arial(11.25);
    // Not stretched: the control takes the picture's own 153 x 115 pixels.
    auto image = control("Image1", K::Image, "", 120, 480, 2295, 1725, -1, false);
    image.picture = PictureId::PreviewPicture;

    form.controls = {ok, cancel, check, label4, label2, label3, label1, image};
    return form;
}

}  // namespace

const FormDefinition& form1Definition() {
    static const FormDefinition definition = build();
    return definition;
}

}  // namespace tessiva
