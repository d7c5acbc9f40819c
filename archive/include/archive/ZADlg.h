// The archive component's modal dialog box, built in code for each message, error or
// password prompt and sized from its font.
#pragma once

#include <string>

#include "archive/ZADlgTypes.h"
#include "toolkit/Forms.h"

namespace tk {
class TEdit;
class TLabel;
}  // namespace tk

namespace quill::archive {

class TZipDialogBox : public tk::TForm {
public:
    TZipDialogBox(tk::TComponent* AOwner, uint32_t context);

    // Creates the icon, text, edit (password kind) and buttons and lays them out.
    void Build(const std::string& title, const std::string& text, TMsgDlgButtons buttons);
    // Plays the kind's sound, then runs the modal loop; returns the chosen button's result.
    int ShowModalBox();
    // The password typed (empty unless the box is of the password kind).
    std::string Password();

    ZipDialogKind Kind() const { return FKind; }
    int AvgCharWidth() const { return FAvgCharWidth; }
    int AvgCharHeight() const { return FAvgCharHeight; }

private:
    void MeasureAverageCharacter();

    uint32_t FContext;
    ZipDialogKind FKind;
    int FAvgCharWidth = 0;
    int FAvgCharHeight = 0;
    tk::TLabel* FText = nullptr;  // owned by the form
    tk::TEdit* FEdit = nullptr;   // owned by the form, password kind only
};

}  // namespace quill::archive
