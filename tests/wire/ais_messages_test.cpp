// The AIS sentences a chart program reads for the vehicle. The published sentences are test
// messages of gpsd's AIVDM decoder (test/sample.aivdm), decoded there by other decoders too;
// each of the others here was decoded with gpsdecode (gpsd 3.22) to the values in its row.
#include "ais_messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using namespace nerivo;

constexpr uint32_t VEHICLE = 982571234; // a craft of a parent ship, 98MIDxxxx

TEST(AisMessages, ArmoursAnyNumberOfBitsWithTheFillBitsSaid) {
    // A part A as some stations send it, 160 bits, so the last character has 2 fill bits.
    AisBits bits;
    bits.put(24, 6);
    bits.put(0, 2);
    bits.put(271041815, 30);
    bits.put(0, 2);
    bits.put_text("PROGUY", 20);
    EXPECT_EQ(ais_sentence(bits), "!AIVDM,1,1,,A,H42O55i18tMET00000000000000,2*6D\r\n");
}

TEST(AisMessages, ClassBPositionReportsAsPublishedAndAtTheEdges) {
    const auto at = [](double lat, double lon, double heading, int second) {
        return AisClassBPosition{VEHICLE, lat, lon, heading, NAN, NAN, second};
    };
    const std::pair<AisClassBPosition, const char*> rows[] = {
        {{338088483, 43.11555833, -70.8111966, NAN, 0, 171.6, 20, false, true, false, true, true,
          true, false, true},
         "!AIVDM,1,1,,A,B52KB8h006fu`Q6:g1McCwb5oP06,0*00\r\n"},
        // Published on channel B, with checksum 4F.
        {{368161000, 39.480925, -72.2338483333, NAN, 5.1, 34.9, 17, true, true, false, true, true,
          false, false, true},
         "!AIVDM,1,1,,A,B5O6hr00<veEKmUaMFdEow`UWP06,0*4C\r\n"},
        {at(90, 180, 0, 0), "!AIVDM,1,1,,A,B>a3HpP3wk=wV0<ovH3Q00043P06,0*0D\r\n"},
        {at(-90, -180, 359.4, 59), "!AIVDM,1,1,,A,B>a3HpP3wlj0J0C81`3Q2kuT3P06,0*3D\r\n"},
        // lat 28875000, lon -6900000 (1/10000 minute), heading 84
        {at(48.125, -11.5, 84.4, 30), "!AIVDM,1,1,,A,B>a3HpP3wojmeh6pV?SQ0b?43P06,0*50\r\n"},
        // lat -27450000, lon 102150000; heading 511 and second 60, not available
        {at(-45.75, 170.25, NAN, 60), "!AIVDM,1,1,,A,B>a3HpP3wk2mNpIM9G3Q3wv43P06,0*55\r\n"},
        // Beyond the poles and the date line: 91 and 181 degrees, not available; heading 270.
        {at(90.0001, -180.0001, -90, 61), "!AIVDM,1,1,,A,B>a3HpP3wk?8mP=18D3Q27NT3P06,0*1D\r\n"},
        // Heading 359.5 is 0; second 64 does not fit, and goes as 60.
        {at(NAN, INFINITY, 359.5, 64), "!AIVDM,1,1,,A,B>a3HpP3wk?8mP=18D3Q00N43P06,0*78\r\n"},
    };
    for (const auto& [report, sentence] : rows) {
        const std::string sent = ais_class_b_position_sentence(report);
        EXPECT_EQ(sent, sentence) << report.latitude << " " << report.longitude;
        EXPECT_LE(sent.size(), NMEA_SENTENCE_MAX);
    }
}

TEST(AisMessages, StaticNameInSixBitCharactersPaddedWithAt) {
    const std::tuple<uint32_t, const char*, const char*> rows[] = {
        // Published as 160 bits: the same with 8 more zero bits.
        {271041815, "PROGUY", "!AIVDM,1,1,,A,H42O55i18tMET000000000000000,0*5F\r\n"},
        {VEHICLE, "A_ ?09Z", "!AIVDM,1,1,,A,H>a3HpP5v3w3U`00000000000000,0*6B\r\n"},
        {VEHICLE, "[\\]^ !\"#$%&'()*+,-./", "!AIVDM,1,1,,A,H>a3HpQeimr26:>BFJNRVbfjnrt0,0*4A\r\n"},
        {VEHICLE, ":;<=>", "!AIVDM,1,1,,A,H>a3HpScgkop0000000000000000,0*19\r\n"},
        // Past 20 characters the name is cut.
        {VEHICLE, "ABCDEFGHIJKLMNOPQRSTU", "!AIVDM,1,1,,A,H>a3HpP48<@DHLPT`dhlpu159=@0,0*2B\r\n"},
        {VEHICLE, "", "!AIVDM,1,1,,A,H>a3HpP000000000000000000000,0*5A\r\n"},
        // Outside the six-bit set: "???".
        {VEHICLE, "auv", "!AIVDM,1,1,,A,H>a3HpSwwt000000000000000000,0*1D\r\n"},
    };
    for (const auto& [mmsi, name, sentence] : rows) {
        const std::string sent = ais_static_name_sentence(mmsi, name);
        EXPECT_EQ(sent, sentence) << name;
        EXPECT_LE(sent.size(), NMEA_SENTENCE_MAX);
    }
}

TEST(AisMessages, StaticDataAsPublishedAndAtFullWidth) {
    const std::pair<AisStaticData, const char*> rows[] = {
        {{271041815, 60, "1D0", 12, 199796, "TC6163", 0, 15, 0, 5},
         "!AIVDM,1,1,,A,H42O55lti4hhhilD3nink000?050,0*40\r\n"},
        // Type 33, "Dredging or underwater ops"; nothing else known, no parent ship's MMSI.
        {{VEHICLE}, "!AIVDM,1,1,,A,H>a3HpTQ00000000000000000000,0*3F\r\n"},
        // Vendor "Z_?", call sign "A_ ?09Z": both cut to their fields.
        {{211000001, 255, "Z_?@", 15, 0xFFFFF, "A_ ?09Z@", 511, 511, 63, 63},
         "!AIVDM,1,1,,A,H39>JhGwJOwwwww1OPwhqJwwwww0,0*77\r\n"},
    };
    for (const auto& [data, sentence] : rows) {
        const std::string sent = ais_static_data_sentence(data);
        EXPECT_EQ(sent, sentence) << data.mmsi;
        EXPECT_LE(sent.size(), NMEA_SENTENCE_MAX);
    }
}

} // namespace
