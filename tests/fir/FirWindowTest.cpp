// The FIR window list: labels, attenuations, names, Kaiser's beta, the powers of the Sinc and
// Sine windows, and the window shapes.
#include "fir/FirWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace plenum {
namespace {

TEST(FirWindow, ListOfLabelsAndAttenuations) {
    struct Row {
        FirWindow window;
        const char* label;
        double attenuationDb;
        bool adjustable;
    };
    const std::vector<Row> rows{
        {FirWindow::Rect, "Rect", 21, false},
        {FirWindow::Kaiser, "Kaiser", 21, true},
        {FirWindow::Sinc, "Sinc", 21, true},
        {FirWindow::Hanning, "Hanning", 43, false},
        {FirWindow::Hamming, "Hamming", 53, false},
        {FirWindow::Blackman, "Blackman", 75, false},
        {FirWindow::BlackmanHarris, "Blackman -Harris", 108, false},
        {FirWindow::BlackmanNuttall, "Blackman -Nuttal", 72, false},
        {FirWindow::Nuttall, "Nuttal", 112, false},
        {FirWindow::KaiserBessel, "Kaiser -Bessel", 64, false},
        {FirWindow::Sine, "Sine", 21, true},
    };
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kFirWindowCount));
    for (std::size_t code = 0; code < rows.size(); ++code) {
        const Row& row = rows[code];
        EXPECT_EQ(static_cast<int>(row.window), static_cast<int>(code));
        EXPECT_EQ(Info(row.window).label, row.label);
        EXPECT_EQ(Info(row.window).adjustable, row.adjustable) << row.label;
        // The attenuation a design uses: the table's, or 21 + the way's setting (here 30 dB).
        EXPECT_EQ(FirWindowAttenuationDb(row.window, 30.0), row.adjustable ? 51.0 : row.attenuationDb) << row.label;
        EXPECT_EQ(FirWindowFromCode(static_cast<int>(code)), row.window);
        EXPECT_EQ(FirWindowFromName(row.label), row.window) << row.label;
    }
    EXPECT_EQ(FirWindowFromCode(-1), std::nullopt);
    EXPECT_EQ(FirWindowFromCode(11), std::nullopt);
}

TEST(FirWindow, NamesAreReadLeniently) {
    struct Row {
        const char* name;
        std::optional<FirWindow> window;
    };
    const std::vector<Row> rows{
        {"rect", FirWindow::Rect},
        {"blackman-harris", FirWindow::BlackmanHarris},
        {"BlackmanNuttall", FirWindow::BlackmanNuttall},
        {"nuttall", FirWindow::Nuttall},
        {"kaiser_bessel", FirWindow::KaiserBessel},
        {"HANNING", FirWindow::Hanning},
        {"7", FirWindow::BlackmanNuttall},
        {"0", FirWindow::Rect},
        {"11", std::nullopt},
        {"123", std::nullopt},
        {"hann", std::nullopt},
        {"", std::nullopt},
        {" - ", std::nullopt},
    };
    for (const Row& row : rows) EXPECT_EQ(FirWindowFromName(row.name), row.window) << row.name;
}

TEST(FirWindow, KaiserBetaFollowsKaisersFormula) {
    // Reference values: scipy.signal.kaiser_beta.
    struct Row {
        double attenuationDb, beta;
    };
    for (const Row& row : std::vector<Row>{{10, 0.0},
                                           {21, 0.0},
                                           {30, 2.1166248611409806},
                                           {40, 3.3953210522614574},
                                           {50, 4.533514120981248},
                                           {50.5, 4.60636},
                                           {60, 5.65326},
                                           {64, 6.09406},
                                           {90, 8.95926},
                                           {120, 12.26526}})
        EXPECT_NEAR(KaiserBeta(row.attenuationDb), row.beta, 1e-12) << row.attenuationDb;
}

TEST(FirWindow, PowersOfSincAndSineGrowWithTheAttenuation) {
    EXPECT_EQ(WindowPower(FirWindow::Sine, 21.0), 0.0);
    EXPECT_EQ(WindowPower(FirWindow::Sine, 33.8), 1.0);
    EXPECT_EQ(WindowPower(FirWindow::Sine, 43.9), 2.0);
    EXPECT_EQ(WindowPower(FirWindow::Sine, 120.0), 12.0);
    EXPECT_EQ(WindowPower(FirWindow::Sinc, 38.5), 1.0);
    EXPECT_EQ(WindowPower(FirWindow::Sinc, 54.6), 2.0);
    EXPECT_EQ(WindowPower(FirWindow::Kaiser, 80.0), 0.0);
    for (const FirWindow window : {FirWindow::Sine, FirWindow::Sinc}) {
        double previous = -1.0;
        for (double a = 21.0; a <= 120.0; a += 0.5) {
            const double p = WindowPower(window, a);
            EXPECT_GT(p, previous) << a;
            previous = p;
        }
    }
}

TEST(FirWindow, ShapesAreSymmetricAndOneAtTheCentre) {
    for (int code = 0; code < kFirWindowCount; ++code) {
        const auto window = static_cast<FirWindow>(code);
        for (const int length : {1, 2, 7, 64, 101}) {
            const auto w = MakeFirWindow(window, length, 60.0);
            ASSERT_EQ(w.size(), static_cast<std::size_t>(length));
            for (std::size_t n = 0; n < w.size(); ++n) {
                ASSERT_EQ(w[n], w[w.size() - 1 - n]) << code << " " << length;
                ASSERT_GE(w[n], -1e-12) << code << " " << length;
                ASSERT_LE(w[n], 1.0 + 1e-12) << code << " " << length;
            }
            if (length % 2 == 1) {
                EXPECT_NEAR(w[w.size() / 2], 1.0, 1e-15) << code << " " << length;
            }
        }
    }
    // At 21 dB the adjustable windows are the rectangle.
    for (const FirWindow window : {FirWindow::Kaiser, FirWindow::Sinc, FirWindow::Sine})
        for (const double v : MakeFirWindow(window, 33, 21.0)) EXPECT_EQ(v, 1.0);
    // Hanning reaches zero at its ends, Hamming 0.08.
    EXPECT_NEAR(MakeFirWindow(FirWindow::Hanning, 33, 0).front(), 0.0, 1e-15);
    EXPECT_NEAR(MakeFirWindow(FirWindow::Hamming, 33, 0).front(), 0.08, 1e-15);
}

}  // namespace
}  // namespace plenum
