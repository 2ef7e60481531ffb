#include "framework/core/JpegDecode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "framework/core/TempDir.h"

namespace {

using quiro::framework::DecodeJpeg;
using quiro::framework::JpegLimits;
using quiro::framework::JpegPicture;
using quiro::framework::JpegStatus;
using Bytes = std::vector<uint8_t>;

JpegPicture Decode(const Bytes& b, const JpegLimits& limits = {}) { return DecodeJpeg(b.data(), b.size(), limits); }

// Every result keeps its promises: pixels of the stated size, or an error text.
void ExpectConsistent(const JpegPicture& p) {
  if (p.HasPixels()) {
    EXPECT_GT(p.width, 0);
    EXPECT_GT(p.height, 0);
    EXPECT_EQ(p.bgr.size(), static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3);
    EXPECT_GE(p.completeRows, 0);
    EXPECT_LE(p.completeRows, p.height);
  } else {
    EXPECT_FALSE(p.message.empty());
    EXPECT_TRUE(p.bgr.empty());
  }
}

TEST(JpegDecode, GarbageIsAnErrorNotACrash) {
  std::mt19937 rng(7);
  Bytes random(1000);
  for (uint8_t& b : random) b = static_cast<uint8_t>(rng());
  Bytes soiThenRandom = random;
  soiThenRandom[0] = 0xFF;
  soiThenRandom[1] = 0xD8;
  const Bytes cases[] = {{}, {0xFF}, {0xFF, 0xD8}, {0xFF, 0xD8, 0xFF, 0xD9}, random, soiThenRandom};
  for (const Bytes& b : cases) {
    JpegPicture p = Decode(b);
    EXPECT_EQ(p.status, JpegStatus::Failed) << b.size() << " bytes";
    ExpectConsistent(p);
  }
  EXPECT_EQ(DecodeJpeg(nullptr, 0).status, JpegStatus::Failed);
}

#ifndef _WIN32
// Fixtures are made with cjpeg (package libjpeg-turbo-progs) from pictures drawn here.

struct Rgb {
  uint8_t r, g, b;
};

class JpegFixtures : public ::testing::Test {
 protected:
  // Writes the picture as PPM and returns it compressed by cjpeg with `options`.
  Bytes Compress(int w, int h, const std::vector<Rgb>& pixels, const std::string& options) {
    std::string ppm = tmp_.Path("in.ppm"), jpg = tmp_.Path("out.jpg");
    {
      std::ofstream f(ppm, std::ios::binary);
      f << "P6\n" << w << " " << h << "\n255\n";
      for (const Rgb& p : pixels) f.put(static_cast<char>(p.r)).put(static_cast<char>(p.g)).put(static_cast<char>(p.b));
    }
    std::string cmd = "cjpeg " + options + " -outfile '" + jpg + "' '" + ppm + "'";
    int rc = std::system(cmd.c_str());
    EXPECT_EQ(rc, 0) << cmd << " failed: is cjpeg (libjpeg-turbo-progs) installed?";
    std::ifstream f(jpg, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
  }

  // 64 x 48 in four solid quarters: red, green / blue, white.
  static std::vector<Rgb> Quarters() {
    std::vector<Rgb> px;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x)
        px.push_back(y < 24 ? (x < 32 ? Rgb{255, 0, 0} : Rgb{0, 255, 0}) : (x < 32 ? Rgb{0, 0, 255} : Rgb{255, 255, 255}));
    return px;
  }

  // 128 x 128 of noise: plenty of data in every row, so a cut lands mid-picture.
  static std::vector<Rgb> Noise() {
    std::mt19937 rng(42);
    std::vector<Rgb> px(128 * 128);
    for (Rgb& p : px) p = Rgb{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())};
    return px;
  }

  TempDir tmp_;
};

Rgb PixelAt(const JpegPicture& p, int x, int y) {
  const uint8_t* q = p.bgr.data() + (static_cast<size_t>(y) * p.width + x) * 3;
  return Rgb{q[2], q[1], q[0]};
}

void ExpectNear(Rgb got, Rgb want, int tolerance) {
  EXPECT_NEAR(got.r, want.r, tolerance);
  EXPECT_NEAR(got.g, want.g, tolerance);
  EXPECT_NEAR(got.b, want.b, tolerance);
}

TEST_F(JpegFixtures, DecodesToTheRightSizeAndColours) {
  const struct {
    const char* options;
    Rgb tl, tr, bl, br;  // expected colours at the quarters' centres
  } cases[] = {
      {"-quality 95", {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}},
      {"-quality 95 -progressive", {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}},
      {"-quality 95 -grayscale", {76, 76, 76}, {150, 150, 150}, {29, 29, 29}, {255, 255, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    JpegPicture p = Decode(Compress(64, 48, Quarters(), c.options));
    ASSERT_EQ(p.status, JpegStatus::Complete) << p.message;
    EXPECT_EQ(p.width, 64);
    EXPECT_EQ(p.height, 48);
    EXPECT_EQ(p.completeRows, 48);
    ExpectConsistent(p);
    ExpectNear(PixelAt(p, 16, 12), c.tl, 10);
    ExpectNear(PixelAt(p, 48, 12), c.tr, 10);
    ExpectNear(PixelAt(p, 16, 36), c.bl, 10);
    ExpectNear(PixelAt(p, 48, 36), c.br, 10);
  }
}

TEST_F(JpegFixtures, HalfABaselinePictureShowsItsTopAndGreyBelow) {
  Bytes full = Compress(128, 128, Noise(), "-quality 90");
  JpegPicture whole = Decode(full);
  ASSERT_EQ(whole.status, JpegStatus::Complete);

  JpegPicture half = Decode(Bytes(full.begin(), full.begin() + static_cast<long>(full.size() / 2)));
  ASSERT_EQ(half.status, JpegStatus::Partial) << half.message;
  ExpectConsistent(half);
  EXPECT_EQ(half.width, 128);
  EXPECT_EQ(half.height, 128);
  EXPECT_GT(half.completeRows, 16);
  EXPECT_LT(half.completeRows, 112);
  // The rows that arrived are exactly those of the whole picture.
  size_t arrived = static_cast<size_t>(half.completeRows) * 128 * 3;
  EXPECT_TRUE(std::equal(half.bgr.begin(), half.bgr.begin() + static_cast<long>(arrived), whole.bgr.begin()));
  // The last row never arrived: flat grey.
  for (int x = 0; x < 128; ++x) ExpectNear(PixelAt(half, x, 127), {128, 128, 128}, 2);
}

TEST_F(JpegFixtures, HalfAProgressivePictureDecodesItsEarlyScans) {
  Bytes full = Compress(128, 128, Noise(), "-quality 90 -progressive");
  JpegPicture half = Decode(Bytes(full.begin(), full.begin() + static_cast<long>(full.size() / 2)));
  ASSERT_EQ(half.status, JpegStatus::Partial) << half.message;
  ExpectConsistent(half);
  EXPECT_EQ(half.width, 128);
  EXPECT_EQ(half.completeRows, 0);
}

TEST_F(JpegFixtures, LimitsAndBrokenHeadersAreRefused) {
  Bytes good = Compress(64, 48, Quarters(), "-quality 80");
  JpegLimits tiny;
  tiny.maxPixels = 64 * 47;
  JpegPicture p = Decode(good, tiny);
  EXPECT_EQ(p.status, JpegStatus::Failed);
  ExpectConsistent(p);

  // The frame header: FF C0, length, precision, height, width.
  size_t sof = 0;
  while (sof + 9 < good.size() && !(good[sof] == 0xFF && good[sof + 1] == 0xC0)) ++sof;
  ASSERT_LT(sof + 9, good.size());
  for (auto [h, w] : {std::pair{0xEA60, 0xEA60}, std::pair{0, 64}, std::pair{48, 0}}) {
    Bytes bad = good;
    bad[sof + 5] = static_cast<uint8_t>(h >> 8);
    bad[sof + 6] = static_cast<uint8_t>(h);
    bad[sof + 7] = static_cast<uint8_t>(w >> 8);
    bad[sof + 8] = static_cast<uint8_t>(w);
    JpegPicture q = Decode(bad);
    EXPECT_EQ(q.status, JpegStatus::Failed) << h << "x" << w;
    ExpectConsistent(q);
  }
}

TEST_F(JpegFixtures, CorruptDataNeverBreaksTheResult) {
  const Bytes full = Compress(128, 128, Noise(), "-quality 75");
  std::mt19937 rng(3);
  int damagedOrFailed = 0;
  for (int round = 0; round < 30; ++round) {
    Bytes bad = full;
    for (int i = 0; i < 16; ++i) bad[300 + rng() % (bad.size() - 300)] = static_cast<uint8_t>(rng());
    JpegPicture p = Decode(bad);
    ExpectConsistent(p);
    if (p.status == JpegStatus::Damaged || p.status == JpegStatus::Failed) ++damagedOrFailed;
  }
  EXPECT_GT(damagedOrFailed, 0);  // the damage is noticed, at least most of the time
}
#endif  // _WIN32

}  // namespace
