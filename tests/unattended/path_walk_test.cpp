// The folders a /report or /log path passes through, each of which is checked for a link.
#include "unattended/path_walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using unattended::PathSteps;

TEST(PathSteps, EveryFolderBelowTheRootThenTheFile) {
    struct Case {
        const wchar_t* path;
        std::vector<std::wstring> steps;
    };
    const Case cases[] = {
        {L"C:\\r.json", {L"C:\\r.json"}},
        {L"C:\\fleet\\kv\\r.json", {L"C:\\fleet", L"C:\\fleet\\kv", L"C:\\fleet\\kv\\r.json"}},
        {L"c:/fleet/r.json", {L"c:\\fleet", L"c:\\fleet\\r.json"}},
        {L"C:\\fleet\\\\kv\\\\r.json", {L"C:\\fleet", L"C:\\fleet\\kv", L"C:\\fleet\\kv\\r.json"}},
        {L"C:\\fleet\\kv\\", {L"C:\\fleet", L"C:\\fleet\\kv"}},
        // "." is dropped, ".." leaves the folder before it and never goes above the root.
        {L"C:\\a\\.\\b\\..\\r.json", {L"C:\\a", L"C:\\a\\r.json"}},
        {L"C:\\..\\..\\r.json", {L"C:\\r.json"}},
        {L"C:\\a\\link\\..\\r.json", {L"C:\\a", L"C:\\a\\r.json"}},
        // Network shares: the share is the root.
        {L"\\\\server\\share\\logs\\r.json",
         {L"\\\\server\\share\\logs", L"\\\\server\\share\\logs\\r.json"}},
        {L"//server/share/r.json", {L"\\\\server\\share\\r.json"}},
        // Paths in the system's long form keep it.
        {L"\\\\?\\C:\\fleet\\r.json", {L"\\\\?\\C:\\fleet", L"\\\\?\\C:\\fleet\\r.json"}},
        {L"\\\\?\\UNC\\server\\share\\a\\r.json",
         {L"\\\\?\\UNC\\server\\share\\a", L"\\\\?\\UNC\\server\\share\\a\\r.json"}},
        {L"C:\\报告\\结果.json", {L"C:\\报告", L"C:\\报告\\结果.json"}},
        // Not full paths, or a bare root: nothing to walk.
        {L"r.json", {}},
        {L"fleet\\r.json", {}},
        {L"C:r.json", {}},
        {L"\\fleet\\r.json", {}},
        {L"C:\\", {}},
        {L"\\\\server\\share\\", {}},
        {L"\\\\server", {}},
        {L"\\\\server\\\\r.json", {}},
        {L"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.steps, PathSteps(c.path)) << testing::PrintToString(std::wstring(c.path));
}
