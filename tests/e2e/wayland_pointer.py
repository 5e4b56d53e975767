"""A pointer for a headless wlroots compositor, which has no input devices of its own: a minimal
Wayland client that speaks the wire protocol itself (no library needed) and creates a virtual
pointer through zwlr_virtual_pointer_manager_v1. While it is connected the seat has a pointer,
so clients get wl_pointer events from it as from a mouse."""

import os
import socket
import struct
import time

BTN_LEFT, BTN_RIGHT = 0x110, 0x111


class VirtualPointer:
    def __init__(self, path, width, height):
        """`path` is the compositor's socket; positions are pixels of a width x height layout."""
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.width, self.height = width, height
        self.next_id = 2
        self.buffer = b""
        registry = self.new_id()
        self.send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
        globals_ = self.roundtrip(registry)
        manager = next((g for g in globals_ if g[1] == "zwlr_virtual_pointer_manager_v1"), None)
        if manager is None:
            self.sock.close()
            raise OSError("the compositor offers no zwlr_virtual_pointer_manager_v1")
        self.manager = self.new_id()
        interface = manager[1].encode() + b"\0"
        pad = b"\0" * (-len(interface) % 4)
        self.send(registry, 0, struct.pack("<II", manager[0], len(interface)) + interface + pad
                  + struct.pack("<II", 1, self.manager))  # wl_registry.bind, version 1
        self.pointer = self.new_id()
        # create_virtual_pointer(seat: null, the default seat; new id)
        self.send(self.manager, 0, struct.pack("<II", 0, self.pointer))
        self.roundtrip(None)

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def send(self, obj, opcode, args=b""):
        self.sock.sendall(struct.pack("<II", obj, (8 + len(args)) << 16 | opcode) + args)

    def roundtrip(self, registry):
        """Waits until the compositor has handled everything sent; returns the globals it
        announced on `registry` meanwhile as (name, interface, version)."""
        callback = self.new_id()
        self.send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        found = []
        while True:
            while len(self.buffer) < 8 or len(self.buffer) < struct.unpack_from(
                    "<I", self.buffer, 4)[0] >> 16:
                chunk = self.sock.recv(65536)
                if not chunk:
                    raise OSError("the compositor closed the connection")
                self.buffer += chunk
            obj, word = struct.unpack_from("<II", self.buffer)
            size, opcode = word >> 16, word & 0xFFFF
            body, self.buffer = self.buffer[8:size], self.buffer[size:]
            if obj == 1 and opcode == 0:  # wl_display.error
                oid, code, n = struct.unpack_from("<III", body)
                raise OSError(f"protocol error {code} on object {oid}: {body[12:12 + n - 1]}")
            if obj == registry and opcode == 0:  # wl_registry.global
                name, n = struct.unpack_from("<II", body)
                version = struct.unpack_from("<I", body, 8 + n + (-n % 4))[0]
                found.append((name, body[8:8 + n - 1].decode(), version))
            if obj == callback and opcode == 0:  # wl_callback.done
                return found

    def stamp(self):
        return int(time.monotonic() * 1000) & 0xFFFFFFFF

    def move(self, x, y):
        self.send(self.pointer, 1, struct.pack("<IIIII", self.stamp(), x, y, self.width,
                                               self.height))  # motion_absolute
        self.send(self.pointer, 4)  # frame
        self.roundtrip(None)

    def click(self, x, y, button=BTN_LEFT):
        self.move(x, y)
        for state in (1, 0):
            self.send(self.pointer, 2, struct.pack("<III", self.stamp(), button, state))
            self.send(self.pointer, 4)
            self.roundtrip(None)
            time.sleep(0.05)

    def close(self):
        try:
            self.send(self.pointer, 8)  # destroy
            self.roundtrip(None)
        except OSError:
            pass
        self.sock.close()


def socket_path(runtime_dir, display):
    return display if os.path.isabs(display) else os.path.join(runtime_dir, display)
