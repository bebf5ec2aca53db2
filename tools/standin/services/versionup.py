"""Version-up service: the newest versions of the four programs and their package files.

"/pcapp/GetLatestPCAplZoneAPI" (a form POST) answers nine fields "RET=..&LCVER=..&LCURL=..
&DGVER=..&DGURL=..&MDVER=..&MDURL=..&PMVER=..&PMURL=..", built from the test's values:

    {"versionup": {"ret": 0,
                   "modules": {"LC": {"version": "4.1.18", "package": "LauncherSetup.exe"},
                               "DG": {"version": "4.2.0.1", "url": "http://elsewhere/x.msi"}}}}

A module left out gets an empty version and URL; "package" names a file below
"/packages/" of the same space, "url" is sent as it stands.

"/packages/<name>": the package files, {"packages": {"<name>": size}} in the test's values,
each the generated pattern of that size (onlinetest::PatternBytes), or {"<name>": {"file":
"<host path>"}}, that file's bytes read when answering (a real package); always with its
Content-Length: the version-up window takes a package as complete when the bytes it has
counted equal the length the client reports, so a package without one would look complete
after its first pass. An unknown name gets 404. A stall or a cut body comes from an answer
queued with CAnswer().Service().
"""

MODULE_KEYS = ("LC", "DG", "MD", "PM")


def latest_versions(request, space):
    if request.method != "POST":
        return {"status": 405, "headers": [["Allow", "POST"]], "body": "POST only\n"}
    values = space.vars.get("versionup", {})
    modules = values.get("modules", {})
    fields = ["RET=%s" % values.get("ret", 0)]
    for key in MODULE_KEYS:
        module = modules.get(key, {})
        url = module.get("url", "")
        if "package" in module:
            url = space.base_url + "/packages/" + module["package"]
        fields.append("%sVER=%s" % (key, module.get("version", "")))
        fields.append("%sURL=%s" % (key, url))
    return {"status": 200, "headers": [["Content-Type", "text/plain"]],
            "body": "&".join(fields)}


def package_file(request, space):
    name = request.path[len("/packages/"):]
    packages = space.vars.get("packages", {})
    if name not in packages:
        return {"status": 404, "body": "no such package\n"}
    answer = {"status": 200, "length": "auto",
              "headers": [["Content-Type", "application/octet-stream"]]}
    package = packages[name]
    if isinstance(package, dict):
        answer["body_file"] = package["file"]
    else:
        answer["body_pattern"] = int(package)
    return answer


ROUTES = {
    "/pcapp/GetLatestPCAplZoneAPI": latest_versions,
    "/packages/*": package_file,
}
