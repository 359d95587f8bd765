// SPDX-License-Identifier: MIT
// The recovery copies' names and the memory of the last read-out sent,
// which comes from a file and must survive anything found there.
#include <gmock/gmock.h>

#include <filesystem>

#include "TestSupport.h"
#include "base/Utf8Path.h"
#include "model/Safekeeping.h"
#include "model/clsReadSession.h"
#include "platform/Paths.h"

namespace quarnel {
namespace {

using ::testing::UnorderedElementsAre;

std::string Key(const std::string& device, const std::vector<std::string>& barcodes,
                int second = 0) {
    clsReadSession session;
    session.SetDeviceID(device);
    for (const std::string& text : barcodes) {
        auto barcode = std::make_shared<clsBarcode>();
        barcode->SetBarcode(text);
        barcode->SetTimeStamp(DateTime{2013, 4, 23, 7, 47, second});
        session.AddBarcode(barcode);
    }
    return session.ContentKey();
}

// A data folder whose name no single code page holds ("Zoë Łukasz"), as
// the program keeps it: in UTF-8.
class InAFolder {
  public:
    InAFolder() { std::filesystem::create_directory(PathFromUtf8(Path())); }
    std::string Path() const { return dir_.File("Zo\xC3\xAB \xC5\x81ukasz"); }
    std::string File(const std::string& name) const {
        return Path() + platform::PathSeparator() + name;
    }

  private:
    test::TempDir dir_;
};

TEST(Safekeeping, AReadOutIsKnownAgainOnlyWhenScannerBarcodesAndTimesAreTheSame) {
    const InAFolder dir;
    const std::string key = Key("00A1", {"8712345678906", "Q0002"});
    EXPECT_EQ(Key("00A1", {"8712345678906", "Q0002"}), key);
    for (const std::string& other :
         {Key("00A2", {"8712345678906", "Q0002"}), Key("00A1", {"8712345678906", "Q0002"}, 1),
          Key("00A1", {"8712345678906"}), Key("00A1", {"871234567890", "6Q0002"})}) {
        EXPECT_NE(other, key);
    }
    EXPECT_EQ(safekeeping::SentAs(dir.Path(), key), std::nullopt);
    safekeeping::RememberSent(dir.Path(), key, "12:\n3");
    EXPECT_EQ(safekeeping::SentAs(dir.Path(), key), "12:\n3");
    EXPECT_EQ(safekeeping::SentAs(dir.Path(), Key("00A1", {"8712345678906"})), std::nullopt);

    // Whatever the file holds, it is no match unless it is whole.
    for (const std::string& text :
         {std::string(), std::string("order "), "order x:1\n" + key, "order 5:12\n" + key,
          "order 2:12" + key, "order 9999999:12\n" + key, "order 18446744073709551617:1\n" + key,
          "order 2:12\n" + key + "\n", std::string("order 2:12\n")}) {
        test::WriteFileBytes(dir.File("Last sent order.dat"), text);
        EXPECT_EQ(safekeeping::SentAs(dir.Path(), key), std::nullopt) << text;
    }
}

TEST(Safekeeping, RecoveryCopiesGetFreeNamesAndAreFoundAgain) {
    const InAFolder dir, elsewhere;
    const DateTime when{2026, 12, 7, 9, 5, 3};
    const std::string first = safekeeping::NewRecoveryCopyName(dir.Path(), when);
    EXPECT_EQ(first, dir.File("Unsent order 20261207 090503.csv"));
    test::WriteFileBytes(first, "");
    const std::string second = safekeeping::NewRecoveryCopyName(dir.Path(), when);
    EXPECT_EQ(second, dir.File("Unsent order 20261207 090503 (2).csv"));
    test::WriteFileBytes(second, "");
    test::WriteFileBytes(dir.File("Unsent order notes.txt"), "");
    std::filesystem::create_directory(PathFromUtf8(dir.File("Unsent order folder.csv")));

    EXPECT_THAT(safekeeping::RecoveryCopies(dir.Path()), UnorderedElementsAre(first, second));
    EXPECT_TRUE(safekeeping::RecoveryCopies(dir.File("missing")).empty());
    EXPECT_TRUE(safekeeping::IsRecoveryCopy(dir.Path(), second));
    EXPECT_FALSE(safekeeping::IsRecoveryCopy(elsewhere.Path(), second));
    EXPECT_FALSE(safekeeping::IsRecoveryCopy(dir.Path(), dir.File("Unsent order notes.txt")));
}

}  // namespace
}  // namespace quarnel
