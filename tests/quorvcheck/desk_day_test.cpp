// A day's file as a desk writes it passes quorvcheck --day: loans, a
// return and a request recorded at a headless desk, a refused entry in
// between, and a restart that goes on numbering.
#include "checker.h"

#include "tests/shell/desk_fixture.h"

namespace {

using headless::Desk;

using DeskDay = DeskTest;

void Scan(Desk& desk, const char* text) {
    desk.Type(text);
    desk.Press(VK_RETURN);
}

TEST_F(DeskDay, ADayFileTheDeskWrotePasses) {
    Run(Settings("es", Catalogue("es") + kModels), [](Desk& desk) {
        Scan(desk, "12345674");
        Scan(desk, "4006381333931");
        ClockSetFixedTime(kMorning + 60);
        Scan(desk, "12345675"); // refused: nothing written
        desk.Press(VK_ESCAPE);
        desk.Click(IDC_RADIO_RETURN);
        desk.Click(IDC_EDIT_ITEM);
        Scan(desk, "4006381333931");
        desk.Click(IDC_RADIO_REQUEST);
        desk.Click(IDC_EDIT_PATRON);
        Scan(desk, "12345674");
        Scan(desk, "4006381333931");
    });
    // Started again on the same installation.
    ClockSetFixedTime(kMorning + 3600);
    headless::SetSession([](Desk& desk) {
        Scan(desk, "12345674");
        Scan(desk, "4006381333931");
    });
    CQuorvelPDlg().DoModal();
    const Outcome run = Check(*install, "--day SETTINGS DIR/Work/20260302.qvp");
    EXPECT_EQ(run.status, QUORVCHECK_OK) << run.out;
    ExpectLines(run.out, "  Operations: 4: 2 loans, 1 return, 1 request; first at 09:05:03, last "
                         "at 10:05:03\n  Verdict: sound\n");
}

} // namespace
