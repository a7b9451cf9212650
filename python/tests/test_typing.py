"""The type stub says what the module takes: every keyword and every value it lists is
one the module knows, and the module knows no keyword it leaves out."""

from __future__ import annotations

import ast
import os
import re

import pytest

import kana


def stub():
    path = os.path.join(os.path.dirname(kana.__file__), "__init__.pyi")
    with open(path, encoding="utf-8") as f:
        return ast.parse(f.read())


def literal_aliases(tree):
    aliases = {}
    for node in tree.body:
        if isinstance(node, ast.Assign) and isinstance(node.value, ast.Subscript):
            if getattr(node.value.value, "id", "") == "Literal":
                values = ast.literal_eval(node.value.slice)
                aliases[node.targets[0].id] = values if isinstance(values, tuple) else (values,)
    return aliases


def converter_keywords(tree):
    for node in ast.walk(tree):
        if isinstance(node, ast.ClassDef) and node.name == "Converter":
            init = next(f for f in node.body if getattr(f, "name", "") == "__init__")
            return {a.arg: a.annotation for a in init.args.kwonlyargs}
    raise AssertionError("no Converter.__init__ in the stub")


def test_the_stub_names_every_option_and_only_those():
    keywords = converter_keywords(stub())
    with pytest.raises(ValueError) as caught:
        kana.Converter(no_such_option=None)
    listed = re.search(r"options: (.*)\)", str(caught.value))[1].split(", ")
    assert sorted(keywords) == sorted(listed)


def test_every_value_the_stub_lists_is_taken():
    tree = stub()
    aliases = literal_aliases(tree)
    checked = 0
    for name, annotation in converter_keywords(tree).items():
        alias = getattr(getattr(annotation, "left", annotation), "id", None)
        for value in aliases.get(alias, ()):
            kana.Converter(**{name: value})
            checked += 1
    assert checked > 40


def test_the_package_is_typed_and_its_names_are_exported():
    folder = os.path.dirname(kana.__file__)
    assert os.path.exists(os.path.join(folder, "py.typed"))
    names = {n.name for n in stub().body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    assert set(kana.__all__) == names
    assert all(callable(getattr(kana, name)) for name in kana.__all__)
