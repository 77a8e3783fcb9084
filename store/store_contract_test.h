#pragma once
// What the load and save algorithms rely on from a PlacesBarStore, checked against every
// implementation with the same tests: the in-memory store natively, the registry store under
// Windows. Each test executable instantiates the suites of store_contract_test.cpp with its store.
#include "store/places_bar_store.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace ql {

// A store whose HKEY_CURRENT_USER holds nothing of the places bar, not even the Policies key.
class StoreUnderTest {
public:
    virtual ~StoreUnderTest() = default;
    virtual PlacesBarStore& store() = 0;
};

struct StoreKind {
    std::string name;
    std::function<std::unique_ptr<StoreUnderTest>()> make;
};

inline std::string storeKindName(const testing::TestParamInfo<StoreKind>& info) { return info.param.name; }

class StoreContract : public testing::TestWithParam<StoreKind> {
protected:
    void SetUp() override { underTest_ = GetParam().make(); }
    void TearDown() override { underTest_.reset(); }
    PlacesBarStore& store() { return underTest_->store(); }

private:
    std::unique_ptr<StoreUnderTest> underTest_;
};

// The load and save algorithms over a store.
class PlacesBarOverStore : public StoreContract {};

}  // namespace ql
