"""A virtual pointer on a wlroots compositor (zwlr_virtual_pointer_v1),
spoken straight over the Wayland socket: made once and kept for a whole
case, it clicks where each call of its own makes and drops a device lose
presses."""
import os
import socket
import struct

BUTTON_LEFT = 0x110


class VirtualPointer:
    def __init__(self, runtime_dir, display, width, height):
        self.width, self.height = width, height
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.settimeout(5)
        self.socket.connect(os.path.join(runtime_dir, display))
        self.next_id = 2
        self.received = b""
        registry = self.new_id()
        self.send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
        globals_ = {}
        for object_id, opcode, body in self.round_trip():
            if object_id == registry and opcode == 0:  # wl_registry.global
                name, = struct.unpack_from("<I", body)
                interface, end = self.string(body, 4)
                globals_[interface] = name
        seat = self.bind(registry, globals_, "wl_seat", 1)
        manager = self.bind(registry, globals_, "zwlr_virtual_pointer_manager_v1", 1)
        self.pointer = self.new_id()
        self.send(manager, 0, struct.pack("<II", seat, self.pointer))  # create_virtual_pointer
        self.round_trip()

    def click(self, x, y):
        """A left click at (x, y) of the output, in its logical pixels."""
        self.send(self.pointer, 1, struct.pack("<IIIII", 0, x, y, self.width, self.height))  # motion_absolute
        self.send(self.pointer, 4, b"")  # frame
        for state in (1, 0):
            self.send(self.pointer, 2, struct.pack("<III", 0, BUTTON_LEFT, state))  # button
            self.send(self.pointer, 4, b"")
        self.round_trip()

    def close(self):
        self.socket.close()

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def bind(self, registry, globals_, interface, version):
        if interface not in globals_:
            raise AssertionError(f"the compositor offers no {interface}")
        object_id = self.new_id()
        self.send(registry, 0, struct.pack("<I", globals_[interface]) + self.pack_string(interface)
                  + struct.pack("<II", version, object_id))
        return object_id

    def send(self, object_id, opcode, body):
        self.socket.sendall(struct.pack("<II", object_id, (8 + len(body)) << 16 | opcode) + body)

    def round_trip(self):
        """Every event until the compositor has handled all that was sent."""
        callback = self.new_id()
        self.send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        events = []
        while True:
            while len(self.received) < 8 or len(self.received) < struct.unpack_from("<I", self.received, 4)[0] >> 16:
                data = self.socket.recv(65536)
                if not data:
                    raise AssertionError("the compositor closed the connection")
                self.received += data
            object_id, size_opcode = struct.unpack_from("<II", self.received)
            size, opcode = size_opcode >> 16, size_opcode & 0xFFFF
            body, self.received = self.received[8:size], self.received[size:]
            if object_id == 1 and opcode == 0:  # wl_display.error
                message, _ = self.string(body, 8)
                raise AssertionError(f"Wayland error: {message}")
            if object_id == callback:
                return events
            events.append((object_id, opcode, body))

    @staticmethod
    def pack_string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    @staticmethod
    def string(body, offset):
        length, = struct.unpack_from("<I", body, offset)
        start = offset + 4
        return body[start:start + length - 1].decode(), start + length + (-length % 4)
