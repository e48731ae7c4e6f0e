// The fixed-point angle helpers that the text and glyph records share:
// sine and cosine in units of 1/16,384 for whole degrees, the angle of a
// vector in whole degrees through a table of tangents, and two float steps.
#include "graphics/records.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vexl {

namespace {

// sin(k degrees) x 16,384, k = 0 to 90, rounded to nearest (entry 21 is
// the device's 5,871).
constexpr std::int32_t kSineQ14[91] = {
    0,     286,   572,   857,   1143,  1428,  1713,  1997,  2280,  2563,  2845,  3126,  3406,  3686,  3964,  4240,
    4516,  4790,  5063,  5334,  5604,  5871,  6138,  6402,  6664,  6924,  7182,  7438,  7692,  7943,  8192,  8438,
    8682,  8923,  9162,  9397,  9630,  9860,  10087, 10311, 10531, 10749, 10963, 11174, 11381, 11585, 11786, 11982,
    12176, 12365, 12551, 12733, 12911, 13085, 13255, 13421, 13583, 13741, 13894, 14044, 14189, 14330, 14466, 14598,
    14726, 14849, 14968, 15082, 15191, 15296, 15396, 15491, 15582, 15668, 15749, 15826, 15897, 15964, 16026, 16083,
    16135, 16182, 16225, 16262, 16294, 16322, 16344, 16362, 16374, 16382, 16384,
};

// tan(k / 10 degrees) x 32,767, k = 0 to 449, rounded to nearest.
constexpr std::int16_t kTangentQ15[450] = {
    0,     57,    114,   172,   229,   286,   343,   400,   458,   515,   572,   629,   686,   744,   801,   858,
    915,   973,   1030,  1087,  1144,  1202,  1259,  1316,  1373,  1431,  1488,  1545,  1603,  1660,  1717,  1775,
    1832,  1889,  1947,  2004,  2062,  2119,  2176,  2234,  2291,  2349,  2406,  2464,  2521,  2579,  2636,  2694,
    2752,  2809,  2867,  2924,  2982,  3040,  3097,  3155,  3213,  3271,  3328,  3386,  3444,  3502,  3560,  3618,
    3675,  3733,  3791,  3849,  3907,  3965,  4023,  4081,  4139,  4198,  4256,  4314,  4372,  4430,  4489,  4547,
    4605,  4663,  4722,  4780,  4839,  4897,  4956,  5014,  5073,  5131,  5190,  5248,  5307,  5366,  5425,  5483,
    5542,  5601,  5660,  5719,  5778,  5837,  5896,  5955,  6014,  6073,  6132,  6191,  6251,  6310,  6369,  6429,
    6488,  6547,  6607,  6667,  6726,  6786,  6845,  6905,  6965,  7025,  7084,  7144,  7204,  7264,  7324,  7384,
    7444,  7505,  7565,  7625,  7685,  7746,  7806,  7867,  7927,  7988,  8048,  8109,  8170,  8231,  8291,  8352,
    8413,  8474,  8535,  8596,  8657,  8719,  8780,  8841,  8903,  8964,  9026,  9087,  9149,  9210,  9272,  9334,
    9396,  9458,  9520,  9582,  9644,  9706,  9768,  9831,  9893,  9955,  10018, 10080, 10143, 10206, 10269, 10331,
    10394, 10457, 10520, 10583, 10647, 10710, 10773, 10837, 10900, 10964, 11027, 11091, 11155, 11219, 11283, 11347,
    11411, 11475, 11539, 11603, 11668, 11732, 11797, 11861, 11926, 11991, 12056, 12121, 12186, 12251, 12316, 12382,
    12447, 12513, 12578, 12644, 12709, 12775, 12841, 12907, 12973, 13040, 13106, 13172, 13239, 13305, 13372, 13439,
    13506, 13573, 13640, 13707, 13774, 13841, 13909, 13976, 14044, 14112, 14180, 14247, 14316, 14384, 14452, 14520,
    14589, 14657, 14726, 14795, 14864, 14933, 15002, 15071, 15140, 15210, 15280, 15349, 15419, 15489, 15559, 15629,
    15699, 15770, 15840, 15911, 15982, 16052, 16123, 16194, 16266, 16337, 16408, 16480, 16552, 16624, 16696, 16768,
    16840, 16912, 16985, 17057, 17130, 17203, 17276, 17349, 17423, 17496, 17570, 17643, 17717, 17791, 17865, 17939,
    18014, 18088, 18163, 18238, 18313, 18388, 18463, 18539, 18614, 18690, 18766, 18842, 18918, 18994, 19071, 19147,
    19224, 19301, 19378, 19456, 19533, 19611, 19688, 19766, 19844, 19923, 20001, 20080, 20158, 20237, 20316, 20396,
    20475, 20555, 20634, 20714, 20795, 20875, 20955, 21036, 21117, 21198, 21279, 21361, 21442, 21524, 21606, 21688,
    21770, 21853, 21936, 22019, 22102, 22185, 22268, 22352, 22436, 22520, 22604, 22689, 22774, 22859, 22944, 23029,
    23115, 23200, 23286, 23372, 23459, 23545, 23632, 23719, 23807, 23894, 23982, 24070, 24158, 24246, 24335, 24424,
    24513, 24602, 24692, 24781, 24872, 24962, 25052, 25143, 25234, 25325, 25417, 25508, 25600, 25693, 25785, 25878,
    25971, 26064, 26158, 26251, 26345, 26440, 26534, 26629, 26724, 26819, 26915, 27011, 27107, 27204, 27300, 27397,
    27495, 27592, 27690, 27788, 27887, 27986, 28085, 28184, 28284, 28384, 28484, 28584, 28685, 28787, 28888, 28990,
    29092, 29194, 29297, 29400, 29504, 29607, 29711, 29816, 29920, 30025, 30131, 30237, 30343, 30449, 30556, 30663,
    30770, 30878, 30986, 31095, 31204, 31313, 31422, 31532, 31643, 31753, 31865, 31976, 32088, 32200, 32313, 32426,
    32539, 32653,
};

// sin(d) x 16,384 with the quarter count starting at `quarter`: 0 for the
// sine, 1 for the cosine.
LONG QuarterSine(LONG degrees, LONG quarter)
{
    LONG d = degrees % 360;
    if (d < 0) d += 360;
    while (d >= 90) {
        d -= 90;
        quarter += 1;
    }
    const LONG index = (quarter & 1) ? 90 - d : d;
    const LONG value = kSineQ14[index];
    return (quarter & 2) ? -value : value;
}

// a x b / c rounded to nearest, for positive operands.
LONG MulDivRounded(LONG a, LONG b, LONG c)
{
    const std::int64_t product = std::int64_t(a) * b;
    return static_cast<LONG>((product + c / 2) / c);
}

}  // namespace

LONG SinQ14(LONG degrees)
{
    return QuarterSine(degrees, 0);
}
LONG CosQ14(LONG degrees)
{
    return QuarterSine(degrees, 1);
}

LONG SearchTangentTable(LONG lo, LONG hi, LONG tangent)
{
    while (hi - lo >= 2) {
        const LONG q3 = (lo + 3 * hi) >> 2;
        const LONG mid = (lo + hi) >> 1;
        const LONG q1 = (3 * lo + hi) >> 2;
        if (tangent > kTangentQ15[q3])
            lo = q3;
        else if (tangent > kTangentQ15[mid]) {
            lo = mid;
            hi = q3;
        } else if (tangent > kTangentQ15[q1]) {
            lo = q1;
            hi = mid;
        } else
            hi = q1;
    }
    return lo;
}

SHORT VectorAngle(SHORT x16, SHORT y16)
{
    LONG x = x16, y = y16;
    if (y == 0) return x >= 0 ? 0 : 180;
    if (x == 0) return y >= 0 ? 90 : -90;
    // Fold into the first quadrant.
    LONG base = 0;
    if (y > 0 && x < 0) {
        base = 90;
        const LONG t = x;
        x = y;
        y = -t;
    } else if (y < 0 && x > 0) {
        base = -90;
        const LONG t = x;
        x = -y;
        y = t;
    } else if (y < 0 && x < 0) {
        base = -180;
        x = -x;
        y = -y;
    }
    if (x == y) return static_cast<SHORT>(45 + base);
    // Scale the larger component up to 16 bits; -32,768 folded stays at
    // 32,768 with a scale of 1.
    LONG scale = std::min(32767 / x, 32767 / y);
    if (scale < 1) scale = 1;
    x *= scale;
    y *= scale;
    bool swapped = false;
    if (y > x) {
        const LONG t = x;
        x = y;
        y = t;
        swapped = true;
    }
    LONG a = SearchTangentTable(0, 450, MulDivRounded(y, 32767, x));
    if (swapped) a = 900 - a;
    return static_cast<SHORT>((a + 5) / 10 + base);
}

LONG ScaleFloat(float f, LONG n)
{
    // The product in single precision, as the device computes it; out of
    // range (or not a number) it is held at the nearest end.
    const float product = f * static_cast<float>(n);
    if (std::isnan(product)) return 0;
    if (product >= 2147483648.0f) return std::numeric_limits<LONG>::max();
    if (product <= -2147483648.0f) return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(product);
}

float DivideToFloat(LONG a, LONG b)
{
    if (b == 0) return 0.0f;
    return static_cast<float>(static_cast<double>(a) / b);
}

}  // namespace vexl
