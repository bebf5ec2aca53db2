"""Generic endpoints for tests of the HTTP client and for benchmarks.

"/pattern/<n>": n bytes of the generated pattern (tests check them with
onlinetest::PatternByte); "/echo" and below: the request's body back, with its content type.
"""


def pattern(request, space):
    text = request.path[len("/pattern/"):]
    if not text.isdigit():
        return {"status": 400, "body": "a byte count after /pattern/\n"}
    return {"status": 200, "body_pattern": int(text)}


def echo(request, space):
    kind = request.header("Content-Type") or "application/octet-stream"
    return {"status": 200, "body_bytes": request.body, "headers": [["Content-Type", kind]]}


ROUTES = {
    "/pattern/*": pattern,
    "/echo*": echo,
}
