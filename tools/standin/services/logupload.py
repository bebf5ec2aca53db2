"""Support service: the upload of the programs' own logs.

"/pcapp/LogUploadCheckAPI" (ccid_head, deviceno; an url-encoded form or a multipart form):
"RET=0&VALID=TRUE" when the space's value "log_upload_wanted" (a list) holds the device
number, else "RET=0&VALID=FALSE", also for empty fields; "RET=3" when a field is missing.

"/pcapp/LogUploadAPI": a multipart form of ccid_head, deviceno and file (the zip archive).
"RET=0" when the form is whole and the file is a zip archive, "RET=3" when the body is no
multipart form or a part is missing or empty, "RET=4" when the file is no zip archive.
The archive is kept as "<folder>/<file name>" when the space's value "log_upload_folder"
names a host folder, so that the test can open it; a file name that would leave the folder
is kept under "unsafe-name.zip".

The error codes are those of the service's one-field error form (decimal). A queued answer
(CStandIn::Queue) goes before these, for replies that the service would not give.
"""

import io
import os
import re
import zipfile

MISSING_PARAMETER = 3
NOT_A_ZIP = 4

_BOUNDARY = re.compile(r'^\s*multipart/form-data\s*;\s*boundary=(?:"([^"]+)"|([^\s;]+))\s*$',
                       re.IGNORECASE)


def _param(header, name):
    """A parameter of a Content-Disposition value: name="value" after a ";"."""
    match = re.search(r';\s*%s="([^"]*)"' % re.escape(name), header)
    return match.group(1) if match else None


def parse_multipart(content_type, body):
    """The parts of a multipart/form-data body, each {"name", "filename", "headers", "data"}
    in order; None when the header or the body is not such a form. A line end after the
    closing boundary is accepted, as servers do."""
    match = _BOUNDARY.match(content_type or "")
    if match is None:
        return None
    delimiter = b"--" + (match.group(1) or match.group(2)).encode("latin-1")
    closing = b"\r\n" + delimiter + b"--"
    if not body.startswith(delimiter + b"\r\n"):
        return None
    end = body.rfind(closing)
    if end < 0 or body[end + len(closing):] not in (b"", b"\r\n"):
        return None
    parts = []
    for chunk in body[len(delimiter) + 2:end].split(b"\r\n" + delimiter + b"\r\n"):
        head, separator, data = chunk.partition(b"\r\n\r\n")
        if not separator:
            return None
        headers = {}
        for line in head.split(b"\r\n"):
            name, colon, value = line.partition(b":")
            if not colon:
                return None
            headers[name.strip().decode("latin-1").lower()] = value.strip().decode("latin-1")
        disposition = headers.get("content-disposition", "")
        name = _param(disposition, "name")
        if not disposition.lower().startswith("form-data") or name is None:
            return None
        parts.append({"name": name, "filename": _param(disposition, "filename"),
                      "headers": headers, "data": data})
    return parts


def _text(body):
    return {"status": 200, "headers": [["Content-Type", "text/plain"]],
            "body_bytes": body.encode("latin-1")}


def _fields(request):
    """The form's fields as text (the first of each name); None for an unreadable body."""
    content_type = request.header("Content-Type") or ""
    if content_type.lower().startswith("multipart/"):
        parts = parse_multipart(content_type, request.body)
        if parts is None:
            return None
        fields = {}
        for part in parts:
            fields.setdefault(part["name"], part["data"].decode("latin-1"))
        return fields
    return {name: values[0] for name, values in request.form().items()}


def check(request, space):
    fields = _fields(request)
    if fields is None or "ccid_head" not in fields or "deviceno" not in fields:
        return _text("RET=%d" % MISSING_PARAMETER)
    wanted = fields["deviceno"] != "" and fields["deviceno"] in space.vars.get(
        "log_upload_wanted", [])
    return _text("RET=0&VALID=%s" % ("TRUE" if wanted else "FALSE"))


def keep_name(filename):
    """The name the kept archive gets: the sent one unless it could leave the folder."""
    if (not filename or filename in (".", "..") or "/" in filename or "\\" in filename
            or "\0" in filename):
        return "unsafe-name.zip"
    return filename


def upload(request, space):
    parts = parse_multipart(request.header("Content-Type"), request.body)
    if parts is None:
        return _text("RET=%d" % MISSING_PARAMETER)
    by_name = {part["name"]: part for part in parts}
    if any(not by_name.get(name, {}).get("data") for name in ("ccid_head", "deviceno", "file")):
        return _text("RET=%d" % MISSING_PARAMETER)
    archive = by_name["file"]["data"]
    if not zipfile.is_zipfile(io.BytesIO(archive)):
        return _text("RET=%d" % NOT_A_ZIP)
    folder = space.vars.get("log_upload_folder")
    if folder:
        with open(os.path.join(folder, keep_name(by_name["file"]["filename"])), "wb") as out:
            out.write(archive)
    return _text("RET=0")


ROUTES = {
    "/pcapp/LogUploadCheckAPI": check,
    "/pcapp/LogUploadAPI": upload,
}
