#!/usr/bin/env python3
"""Writes N records for a template of the tests as a .csv (UTF-8), with the values
bench/office_bench.sh fills them with: the letter's titles (the letter and notice_pages) or the
pay slip's (payslip, payslip_heading). Usage: make_fixture_records.py FIXTURE N OUT.csv"""
import csv
import sys

DEPARTMENTS = ['销售部', '技术部', '财务部', '人事部']


def letter(i):
    return ['员工%04d' % i, DEPARTMENTS[i % 4], 'A%d' % (10000 + i), str(5000 + (i * 37) % 9000),
            '2026年%d月%d日' % (1 + i % 12, 1 + i % 28)]


def payslip(i):
    return ['员工%04d' % i, 'A%d' % (10000 + i), DEPARTMENTS[i % 4], '专员', str(5000 + (i * 37) % 9000),
            str(800 + i % 500), str(i % 300), '512.00', '480.00', str(i % 90), '6000.00', '2026年11月']


def main():
    fixture, n, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    if fixture.startswith('payslip'):
        titles, row = ['姓名', '工号', '部门', '岗位', '基本', '绩效工资', '加班费', '社保', '公积金', '个税',
                       '实发工资', '发放月份'], payslip
    else:
        titles, row = ['姓名', '部门', '工号', '月薪', '入职日期'], letter
    with open(out, 'w', newline='', encoding='utf-8') as f:
        w = csv.writer(f)
        w.writerow(titles)
        for i in range(1, n + 1):
            w.writerow(row(i))


if __name__ == '__main__':
    main()
