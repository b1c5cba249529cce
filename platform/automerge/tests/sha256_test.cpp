#include "sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string hex(automerge::Sha256Digest const& digest)
{
    std::string text;
    for (std::uint8_t const byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

std::span<std::uint8_t const> bytes_of(std::string_view text)
{
    return { reinterpret_cast<std::uint8_t const*>(text.data()), text.size() };
}

struct Case {
    std::string_view input;
    std::string_view want;
};

// Published SHA-256 test vectors.
Case const kCases[] = {
    { "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855" },
    { "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad" },
    { "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
        "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1" },
};

TEST(Sha256, MatchesKnownVectors)
{
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(hex(automerge::sha256(bytes_of(c.input))), c.want);
    }
}

TEST(Sha256, IncrementalEqualsOneShot)
{
    std::string_view const text = kCases[2].input;
    automerge::Sha256 hasher;
    for (std::size_t at = 0; at < text.size(); at += 7)
        hasher.update(bytes_of(text.substr(at, 7)));
    EXPECT_EQ(hex(hasher.finish()), kCases[2].want);
    // After finishing, the hasher starts over.
    EXPECT_EQ(hex(hasher.finish()), kCases[0].want);
}

} // namespace
