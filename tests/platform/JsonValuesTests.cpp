#include "platform/JsonValues.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace velkor::platform {
namespace {

// The value of "v" in a JSON text, as a stored file would bring it.
QJsonValue parsed(const char* number) {
    return QJsonDocument::fromJson(QByteArray("{\"v\": ") + number + "}").object().value("v");
}

TEST(JsonValuesTest, ReadsWholeNumbersExactly) {
    EXPECT_EQ(jsonInteger(parsed("0")), 0);
    EXPECT_EQ(jsonInteger(parsed("-42")), -42);
    EXPECT_EQ(jsonInteger(parsed("9007199254740993")), 9007199254740993LL) << "beyond 2^53";
    EXPECT_EQ(jsonInteger(parsed("9223372036854775807")), INT64_MAX);
    EXPECT_EQ(jsonInteger(parsed("3.0")), 3);
    EXPECT_EQ(jsonInteger(parsed("1e3")), 1000);
}

TEST(JsonValuesTest, RefusesWhatIsNoSixtyFourBitInteger) {
    EXPECT_FALSE(jsonInteger(parsed("2.5")));
    EXPECT_FALSE(jsonInteger(parsed("1e19")));
    EXPECT_FALSE(jsonInteger(parsed("-1e300")));
    EXPECT_FALSE(jsonInteger(parsed("\"7\"")));
    EXPECT_FALSE(jsonInteger(parsed("true")));
    EXPECT_FALSE(jsonInteger(parsed("null")));
    EXPECT_FALSE(jsonInteger(QJsonValue()));
}

} // namespace
} // namespace velkor::platform
