#!/usr/bin/env python3
# Asks a VNC server (Xtigervnc) for a desktop of several screens side by side, as a VNC
# client with two monitors does: the server then makes one RandR output per screen.
#   vnc_screens.py PORT WxH [WxH ...]
import socket, struct, sys

def recv_exact(s, n):
    data = b""
    while len(data) < n:
        chunk = s.recv(n - len(data))
        if not chunk:
            raise SystemExit("vnc_screens: the server closed the connection")
        data += chunk
    return data

port = int(sys.argv[1])
sizes = [tuple(int(v) for v in a.split("x")) for a in sys.argv[2:]]
s = socket.create_connection(("127.0.0.1", port), timeout=10)
recv_exact(s, 12)
s.sendall(b"RFB 003.008\n")
count = recv_exact(s, 1)[0]
types = recv_exact(s, count)
if 1 not in types:
    raise SystemExit("vnc_screens: the server wants authentication")
s.sendall(b"\x01")
if struct.unpack(">I", recv_exact(s, 4))[0] != 0:
    raise SystemExit("vnc_screens: refused")
s.sendall(b"\x01")  # shared
width, height = struct.unpack(">HH", recv_exact(s, 4))
recv_exact(s, 16)
name_length = struct.unpack(">I", recv_exact(s, 4))[0]
recv_exact(s, name_length)
# SetEncodings: raw, and the pseudo-encoding ExtendedDesktopSize (-308).
s.sendall(struct.pack(">BxHii", 2, 2, 0, -308))
total_width = sum(w for w, _ in sizes)
total_height = max(h for _, h in sizes)
message = struct.pack(">BxHHBx", 251, total_width, total_height, len(sizes))
x = 0
for i, (w, h) in enumerate(sizes):
    message += struct.pack(">IHHHHI", i + 1, x, 0, w, h, 0)
    x += w
s.sendall(message)
# The answer comes as a framebuffer update holding an ExtendedDesktopSize rectangle.
s.sendall(struct.pack(">BBHHHH", 3, 1, 0, 0, 1, 1))
s.settimeout(10)
while True:
    kind = recv_exact(s, 1)[0]
    if kind != 0:
        raise SystemExit("vnc_screens: unexpected message %d" % kind)
    recv_exact(s, 1)
    rects = struct.unpack(">H", recv_exact(s, 2))[0]
    for _ in range(rects):
        x, y, w, h, encoding = struct.unpack(">HHHHi", recv_exact(s, 12))
        if encoding == -308:
            screens = recv_exact(s, 4)[0]
            recv_exact(s, 16 * screens)
            if y != 0:
                raise SystemExit("vnc_screens: refused, status %d" % y)
            sys.exit(0)
        if encoding == 0:
            recv_exact(s, w * h * 4)
        else:
            raise SystemExit("vnc_screens: unexpected encoding %d" % encoding)
