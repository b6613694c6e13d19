// A work area the account running quorvcheck may not write is a problem, said
// with the folder's owner, group and mode and the reason. As root, who may
// write anything, the check runs as the account "nobody" in a child process.
#include "checker.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(QuorvcheckPosix, AWorkAreaThatCannotBeWrittenSaysWhy) {
    const Installation site(kSound.c_str());
    const bool root = geteuid() == 0;
    ASSERT_EQ(chmod(site.Work().c_str(), root ? 02770 : 0555), 0);
    if (root) {
        ASSERT_EQ(chown(site.Work().c_str(), 0, 0), 0);
        for (const std::string& path : {site.Root(), site.Root() + "/Admin"}) {
            ASSERT_EQ(chmod(path.c_str(), 0755), 0);
        }
        ASSERT_EQ(chmod((site.Root() + "/Admin/quorvp.xml").c_str(), 0644), 0);
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(3);
        }
        const Outcome run = Check(site, "SETTINGS");
        const std::string said =
            root ? "Work area: \"DIR/Work\" cannot be written by nobody (owner root, group root, "
                   "mode 2770 (rwxrws---)): nobody is not in group root: a desk shows \"mes2\""
                 : "Work area: \"DIR/Work\" cannot be written by ";
        ExpectLines(run.out, said + "|Result: exit status 1: the work area cannot be written by");
        _exit(run.status == 1 && !::testing::Test::HasFailure() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    chmod(site.Work().c_str(), 0755);
}

} // namespace
