#include "framework/core/JpegDecode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/TempDir.h"

namespace {

using namespace quiro::framework;
using Bytes = std::vector<uint8_t>;

JpegPicture Decode(const Bytes& b, const JpegLimits& limits = {}) { return DecodeJpeg(b.data(), b.size(), limits); }

// Every result keeps its promises: pixels of the stated size, or an error text.
void ExpectConsistent(const JpegPicture& p) {
  if (p.HasPixels()) {
    EXPECT_EQ(p.bgr.size(), static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3);
    EXPECT_TRUE(p.completeRows >= 0 && p.completeRows <= p.height);
  } else {
    EXPECT_FALSE(p.message.empty());
    EXPECT_TRUE(p.bgr.empty());
  }
}

TEST(JpegDecode, GarbageIsAnErrorNotACrash) {
  std::mt19937 rng(7);
  Bytes random{0xFF, 0xD8};  // a start-of-image marker, then noise
  while (random.size() < 1000) random.push_back(static_cast<uint8_t>(rng()));
  for (const Bytes& b : {Bytes{}, Bytes{0xFF}, Bytes{0xFF, 0xD8, 0xFF, 0xD9}, Bytes(random.begin() + 2, random.end()), random}) {
    JpegPicture p = Decode(b);
    EXPECT_EQ(p.status, JpegStatus::Failed) << b.size() << " bytes";
    ExpectConsistent(p);
  }
}

#ifndef _WIN32
// Fixtures are made with cjpeg (package libjpeg-turbo-progs) from pictures drawn here.
struct Rgb {
  int r, g, b;
};

class JpegFixtures : public ::testing::Test {
 protected:
  // The picture compressed by cjpeg with `options`.
  Bytes Compress(int w, int h, const std::vector<Rgb>& pixels, const std::string& options) {
    std::string ppm = tmp_.Path("in.ppm"), jpg = tmp_.Path("out.jpg");
    {
      std::ofstream f(ppm, std::ios::binary);
      f << "P6\n" << w << " " << h << "\n255\n";
      for (const Rgb& p : pixels) f << static_cast<char>(p.r) << static_cast<char>(p.g) << static_cast<char>(p.b);
    }
    std::string cmd = "cjpeg " + options + " -outfile '" + jpg + "' '" + ppm + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd << ": is cjpeg (libjpeg-turbo-progs) installed?";
    std::ifstream f(jpg, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
  }
  // 64 x 48 in four solid quarters: red, green / blue, white.
  Bytes Quarters(const std::string& options) {
    std::vector<Rgb> px;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x)
        px.push_back(y < 24 ? (x < 32 ? Rgb{255, 0, 0} : Rgb{0, 255, 0}) : (x < 32 ? Rgb{0, 0, 255} : Rgb{255, 255, 255}));
    return Compress(64, 48, px, options);
  }
  // 128 x 128 of noise: plenty of data in every row, so a cut lands mid-picture.
  Bytes Noise(const std::string& options) {
    std::mt19937 rng(42);
    std::vector<Rgb> px(128 * 128);
    for (Rgb& p : px) p = Rgb{static_cast<int>(rng() & 255), static_cast<int>(rng() & 255), static_cast<int>(rng() & 255)};
    return Compress(128, 128, px, options);
  }
  TempDir tmp_;
};

void ExpectPixelNear(const JpegPicture& p, int x, int y, Rgb want, int tolerance) {
  const uint8_t* q = p.bgr.data() + (static_cast<size_t>(y) * static_cast<size_t>(p.width) + static_cast<size_t>(x)) * 3;
  EXPECT_NEAR(q[2], want.r, tolerance) << x << "," << y;
  EXPECT_NEAR(q[1], want.g, tolerance) << x << "," << y;
  EXPECT_NEAR(q[0], want.b, tolerance) << x << "," << y;
}

TEST_F(JpegFixtures, DecodesToTheRightSizeAndColours) {
  const struct {
    const char* options;
    Rgb tl, tr, bl;  // at the quarters' centres
  } cases[] = {
      {"-quality 95", {255, 0, 0}, {0, 255, 0}, {0, 0, 255}},
      {"-quality 95 -progressive", {255, 0, 0}, {0, 255, 0}, {0, 0, 255}},
      {"-quality 95 -grayscale", {76, 76, 76}, {150, 150, 150}, {29, 29, 29}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    JpegPicture p = Decode(Quarters(c.options));
    ASSERT_EQ(p.status, JpegStatus::Complete) << p.message;
    EXPECT_EQ(p.width, 64);
    EXPECT_EQ(p.height, 48);
    EXPECT_EQ(p.completeRows, 48);
    ExpectPixelNear(p, 16, 12, c.tl, 10);
    ExpectPixelNear(p, 48, 12, c.tr, 10);
    ExpectPixelNear(p, 16, 36, c.bl, 10);
  }
}

TEST_F(JpegFixtures, HalfAPictureShowsWhatArrivedAndGreyBelow) {
  Bytes full = Noise("-quality 90");
  JpegPicture whole = Decode(full);
  ASSERT_EQ(whole.status, JpegStatus::Complete);
  JpegPicture half = Decode(Bytes(full.begin(), full.begin() + static_cast<long>(full.size() / 2)));
  ASSERT_EQ(half.status, JpegStatus::Partial) << half.message;
  ExpectConsistent(half);
  EXPECT_EQ(half.width, 128);
  EXPECT_EQ(half.height, 128);
  EXPECT_TRUE(half.completeRows > 16 && half.completeRows < 112) << half.completeRows;
  // The rows that arrived are exactly those of the whole picture; the last is flat grey.
  auto arrived = static_cast<long>(half.completeRows) * 128 * 3;
  EXPECT_TRUE(std::equal(half.bgr.begin(), half.bgr.begin() + arrived, whole.bgr.begin()));
  for (int x = 0; x < 128; ++x) ExpectPixelNear(half, x, 127, {128, 128, 128}, 2);

  // A progressive picture refines every row with each scan: all of it is approximate.
  Bytes progressive = Noise("-quality 90 -progressive");
  half = Decode(Bytes(progressive.begin(), progressive.begin() + static_cast<long>(progressive.size() / 2)));
  EXPECT_EQ(half.status, JpegStatus::Partial);
  EXPECT_EQ(half.completeRows, 0);
  ExpectConsistent(half);
}

TEST_F(JpegFixtures, LimitsAndBrokenHeadersAreRefused) {
  Bytes good = Quarters("-quality 80");
  JpegLimits tiny;
  tiny.maxPixels = 64 * 47;
  EXPECT_EQ(Decode(good, tiny).status, JpegStatus::Failed);
  // The frame header: FF C0, length, precision, height, width.
  size_t sof = 0;
  while (sof + 9 < good.size() && !(good[sof] == 0xFF && good[sof + 1] == 0xC0)) ++sof;
  ASSERT_LT(sof + 9, good.size());
  for (auto [h, w] : {std::pair{0xEA60, 0xEA60}, std::pair{0, 64}, std::pair{48, 0}}) {
    Bytes bad = good;
    for (int i = 0; i < 4; ++i) bad[sof + 5 + static_cast<size_t>(i)] = static_cast<uint8_t>((i < 2 ? h : w) >> (i % 2 ? 0 : 8));
    JpegPicture q = Decode(bad);
    EXPECT_EQ(q.status, JpegStatus::Failed) << h << "x" << w;
    ExpectConsistent(q);
  }
  // A side longer than the limit, however few pixels the picture has.
  Bytes wide = good;
  for (int i = 0; i < 4; ++i) wide[sof + 5 + static_cast<size_t>(i)] = static_cast<uint8_t>((i < 2 ? 8 : 9000) >> (i % 2 ? 0 : 8));
  JpegLimits sides;
  sides.maxSide = 8192;
  EXPECT_EQ(Decode(wide, sides).status, JpegStatus::Failed);
  EXPECT_TRUE(Decode(wide).HasPixels());
}

TEST_F(JpegFixtures, CorruptDataNeverBreaksTheResult) {
  const Bytes full = Noise("-quality 75");
  std::mt19937 rng(3);
  int noticed = 0;
  for (int round = 0; round < 30; ++round) {
    Bytes bad = full;
    for (int i = 0; i < 16; ++i) bad[300 + rng() % (bad.size() - 300)] = static_cast<uint8_t>(rng());
    JpegPicture p = Decode(bad);
    ExpectConsistent(p);
    noticed += p.status == JpegStatus::Damaged || p.status == JpegStatus::Failed;
  }
  EXPECT_GT(noticed, 0);
}
#endif  // _WIN32

}  // namespace
