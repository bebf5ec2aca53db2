// One of the programs the version check reads beside the launcher, as the tests need it:
// a program with a version resource (SiblingToolVersion.rc) and nothing else.

int main() { return 0; }
